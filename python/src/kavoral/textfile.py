"""Reading and writing the program's text files the way the program itself does.

The program reads its surface, excitation and result files value by value: white space (line
ends included) separates the values of a record, the rest of a line after a record is skipped,
and '%' lines are comments only as one run at the very start of the file. The scanner here follows
the same rules, but where the program would quietly misread (a line longer than its 500-character
limit, a number longer than 27 characters) it refuses the file instead.
"""

import os
import re
import tempfile
import time

import numpy as np

LINE_LIMIT = 500
DECIMAL_LIMIT = 27

_AUTO_INT = re.compile(r"[+-]?(?:0[xX][0-9a-fA-F]+|0[0-7]*|[1-9][0-9]*)")
_DECIMAL = re.compile(r"[+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?")
_SPACE = re.compile(r"\s*")


class FileFormatError(Exception):
    """A file that the program would refuse or misread; the text names the file and line."""


class Scanner:
    """Reads values from the text of one file, as the program's text reader does."""

    def __init__(self, text, name):
        self.text = text
        self.name = name
        self.pos = 0

    def fail(self, what):
        line = self.text.count("\n", 0, self.pos) + 1
        raise FileFormatError(f"{self.name}, line {line}: {what}")

    def skip_line(self):
        end = self.text.find("\n", self.pos)
        if end < 0:
            end = len(self.text) - 1
        if end + 1 - self.pos > LINE_LIMIT:
            self.fail(f"line longer than {LINE_LIMIT - 1} characters")
        self.pos = end + 1

    def skip_comment_lines(self):
        while self.text.startswith("%", self.pos):
            self.skip_line()

    def at_end(self):
        return _SPACE.match(self.text, self.pos).end() == len(self.text)

    def _match(self, pattern):
        self.pos = _SPACE.match(self.text, self.pos).end()
        found = pattern.match(self.text, self.pos)
        if not found:
            return None
        self.pos = found.end()
        return found.group(0)

    def auto_int(self, what):
        """An integer with automatic base (leading 0 octal, 0x hexadecimal)."""
        token = self._match(_AUTO_INT)
        if token is None:
            self.fail(what)
        return _auto_value(token)

    def decimal(self, what):
        token = self._match(_DECIMAL)
        if token is None:
            self.fail(what)
        if len(token) > DECIMAL_LIMIT:
            self.fail(f"{what}: number longer than {DECIMAL_LIMIT} characters")
        return float(token)

    def char(self, what):
        self.pos = _SPACE.match(self.text, self.pos).end()
        if self.pos >= len(self.text):
            self.fail(what)
        self.pos += 1
        return self.text[self.pos - 1]

    def count(self, what, low, high=None):
        """A count line: an integer within [low, high], the rest of its line skipped."""
        value = self.auto_int(what)
        self.skip_line()
        if value < low or (high is not None and value > high):
            self.fail(what)
        return value

    def records(self, count, width, index_what, value_what):
        """count records of an index and width numbers each, one a line: a (count, width)
        array."""
        values = []
        for i in range(count):
            self.index(i, index_what)
            values.append([self.decimal(value_what) for _ in range(width)])
            self.skip_line()
        return np.array(values, dtype=float).reshape(count, width)

    def index(self, expected, what):
        """A record index, which must equal the record's position."""
        start = self.pos
        value = self._match(_AUTO_INT)
        if value is None or _auto_value(value) != expected:
            self.pos = start
            self.fail(f"{what} {expected} expected")


def _auto_value(token):
    sign = -1 if token.startswith("-") else 1
    body = token.lstrip("+-")
    if body[:2] in ("0x", "0X"):
        return sign * int(body[2:], 16)
    if len(body) > 1 and body.startswith("0"):
        return sign * int(body[1:], 8)
    return sign * int(body)


def read_text(path):
    with open(path, "r", encoding="latin-1", newline="") as stream:
        return stream.read()


def open_scanner(path):
    """A scanner over the file, past its leading comment lines."""
    scan = Scanner(read_text(path), str(path))
    scan.skip_comment_lines()
    return scan


def format_number(value):
    """Six significant digits in general format, as the program writes results and surfaces."""
    return f"{value:g}"


def format_exact(value):
    """The shortest text that reads back to the same double and fits the program's readers."""
    text = repr(float(value))
    if text in ("inf", "-inf", "nan"):
        raise ValueError(f"not a finite number: {text}")
    return text


def date_text():
    return time.strftime("%a %b %d %H:%M:%S %Y")


def write_atomically(path, write):
    """Calls write(temporary_path) and moves the result onto path only when it succeeded, so that
    a failed or interrupted run leaves an existing file as it was."""
    path = os.fspath(path)
    directory, base = os.path.split(os.path.abspath(path))
    stem, suffix = os.path.splitext(base)
    handle, temporary = tempfile.mkstemp(prefix="." + stem + ".", suffix=suffix, dir=directory)
    os.close(handle)
    try:
        write(temporary)
        os.chmod(temporary, 0o666 & ~_umask())
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise


def write_text_atomically(path, text):
    def write(temporary):
        with open(temporary, "w", encoding="latin-1", newline="\n") as stream:
            stream.write(text)

    write_atomically(path, write)


def _umask():
    mask = os.umask(0)
    os.umask(mask)
    return mask
