"""Option types shared by the command-line tools: lists of indices and numbers, vectors."""

import argparse


def index_list(text):
    """Point indices such as 0,3,5-9."""
    out = []
    for part in text.split(","):
        low, _, high = part.strip().partition("-")
        if not low.isdigit() or (high and not high.isdigit()):
            raise argparse.ArgumentTypeError(f"not a list of point indices: {text!r}")
        out.extend(range(int(low), int(high or low) + 1))
    return out


def number_list(text):
    try:
        values = [float(v) for v in text.split(",")]
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a list of numbers: {text!r}") from None
    return values


def positive_list(text):
    values = number_list(text)
    if any(not v > 0 for v in values):
        raise argparse.ArgumentTypeError(f"frequencies must be above 0: {text!r}")
    return values


def positive(text):
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a number: {text!r}") from None
    if not value > 0:
        raise argparse.ArgumentTypeError(f"must be above 0: {text!r}")
    return value


def vector(text):
    values = number_list(text)
    if len(values) != 3:
        raise argparse.ArgumentTypeError(f"three numbers X,Y,Z expected: {text!r}")
    return values
