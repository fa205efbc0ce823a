// The surface file in both directions, and the object's construction.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>

#include "base/LogFile.h"
#include "base/Status.h"
#include "base/Stopwatch.h"
#include "fileio/FileReplacement.h"
#include "fileio/NumberFormat.h"
#include "fileio/TextReader.h"
#include "surface/Surface.h"

CSurface::CSurface(ConfigData configData) : config(configData) {}

CSurface::~CSurface() = default;

namespace {

// Reads the values of a surface file. Once a value cannot be read, every later read fails as
// well and nothing more is skipped, so a file that ends early leaves the later counts at 0.
class SurfaceReader {
public:
    bool Open(const char* fileName) { return text.Open(fileName); }
    void SkipCommentLines() { text.SkipCommentLines(); }
    void SkipLine() {
        if (!failed) text.SkipLine();
    }
    bool Integer(long& value) { return Check(!failed && text.ReadAutoInt(value)); }
    bool Coordinate(double& value) { return Check(!failed && text.ReadDecimal(value)); }
    bool Vector(Vector3& value) {
        return Coordinate(value.x) && Coordinate(value.y) && Coordinate(value.z);
    }
    // A record index: one that cannot be read is a mismatch.
    bool Index(long expected) {
        long index = -1;
        return Integer(index) && index == expected;
    }

private:
    bool Check(bool read) {
        if (!read) failed = true;
        return read;
    }

    CTextReader text;
    bool failed = false;
};

// The size an array of `count` records starts with, and grows to once record `index` is due:
// within the program's limit at once, beyond it in steps, so that a count alone never sizes more
// than the records that follow can fill.
std::size_t RecordCapacity(long index, long count, std::size_t size) {
    if (index < static_cast<long>(size)) return size;
    const long step = std::max<long>(surfaceIndexLimit, 2 * static_cast<long>(size));
    return static_cast<std::size_t>(std::min(count, step));
}

// Reports a failure of the surface reader, once, and gives the status to return.
struct ReadFailure {
    const char* className;
    const char* function;
    int Invalid(const char* comment) const {
        logFile.ReportError(className, function, Message::invalidData, comment);
        return Status::invalidData;
    }
    int NoMemory() const {
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }
};

// The count line of a section: the count, 0 when it cannot be read.
long ReadCount(SurfaceReader& reader) {
    long count = 0;
    reader.Integer(count);
    reader.SkipLine();
    return count;
}

// The `count` point records, each with its direction vector.
int ReadPoints(SurfaceReader& reader, long count, std::vector<Vector3>& points,
               std::vector<Vector3>& directions, const ReadFailure& failure) {
    for (long i = 0; i < count; ++i) {
        try {
            points.resize(RecordCapacity(i, count, points.size()));
            directions.resize(points.size());
        } catch (const std::bad_alloc&) {
            return failure.NoMemory();
        }
        if (!reader.Index(i)) return failure.Invalid("point index");
        if (!reader.Vector(points[i]) || !reader.Vector(directions[i])) {
            return failure.Invalid("point coordinates");
        }
        reader.SkipLine();
    }
    return Status::ok;
}

// The `count` element records; a node index beyond `indexLimit` is kept out of range.
int ReadElements(SurfaceReader& reader, long count, int indexLimit,
                 std::vector<SurfaceElement>& elements, const ReadFailure& failure) {
    for (long j = 0; j < count; ++j) {
        try {
            // A node that cannot be read keeps unusedNode, which no element check lets pass.
            elements.resize(RecordCapacity(j, count, elements.size()),
                            SurfaceElement{0, {unusedNode, unusedNode, unusedNode, unusedNode}});
        } catch (const std::bad_alloc&) {
            return failure.NoMemory();
        }
        if (!reader.Index(j)) return failure.Invalid("element index");
        SurfaceElement& element = elements[j];
        long nodeCount = 0;
        reader.Integer(nodeCount);
        if (nodeCount != 3 && nodeCount != 4) return failure.Invalid("element node count");
        element.nodeCount = static_cast<int>(nodeCount);
        for (int k = 0; k < element.nodeCount; ++k) {
            long node = unusedNode;
            reader.Integer(node);
            // An index beyond the limit is kept out of range instead of wrapping onto a point.
            element.nodes[k] =
                node < 0 || node > indexLimit ? unusedNode : static_cast<SurfaceIndex>(node);
        }
        reader.SkipLine();
    }
    return Status::ok;
}

// The `count` symmetry plane records; `planeCount` follows the planes read. The planes grow
// while they are read: the count alone does not size anything.
int ReadPlanes(SurfaceReader& reader, long count, std::vector<Vector3>& planePoints,
               std::vector<Vector3>& planeNormals, int& planeCount, const ReadFailure& failure) {
    for (long k = 0; k < count; ++k) {
        if (!reader.Index(k)) return failure.Invalid("symmatry plane index");
        Vector3 point{0.0, 0.0, 0.0};
        Vector3 normal{0.0, 0.0, 0.0};
        if (!reader.Vector(point) || !reader.Vector(normal)) {
            return failure.Invalid("symmetry plane coordinates");
        }
        if (!(Dot(normal, normal) > 0.0) || !std::isfinite(Dot(normal, normal))) {
            return failure.Invalid("symmetry plane normal");
        }
        try {
            planePoints.push_back(point);
            planeNormals.push_back(normal);
        } catch (const std::bad_alloc&) {
            return failure.NoMemory();
        }
        planeCount = static_cast<int>(k + 1);
        reader.SkipLine();
    }
    return Status::ok;
}

}  // namespace

int CSurface::ReadSurfaceFile(const char* fileName) {
    const ReadFailure failure{className, "ReadSurfaceFile"};
    if (fileName == nullptr) {
        logFile.ReportError(className, failure.function, Message::badParameter, "filename <NULL>");
        return Status::badParameter;
    }
    SurfaceReader reader;
    if (!reader.Open(fileName)) {
        logFile.ReportError(className, failure.function, Message::openError, fileName);
        return Status::openError;
    }
    reader.SkipCommentLines();

    long count = ReadCount(reader);
    if (count < 1 || count > indexLimit) return failure.Invalid("number of surface points");
    pointCount = static_cast<int>(count);
    int status = ReadPoints(reader, count, points, pointDirections, failure);
    if (status < 0) return status;

    count = ReadCount(reader);
    if (count < 0 || count > indexLimit) return failure.Invalid("number of elements");
    elementCount = static_cast<int>(count);
    status = ReadElements(reader, count, indexLimit, elements, failure);
    if (status < 0) return status;

    count = ReadCount(reader);
    if (count < 0 || count > 0x7fffffffL) return failure.Invalid("number of symmetry planes");
    return ReadPlanes(reader, count, planePoints, planeNormals, symmetryPlaneCount, failure);
}

namespace {

// Appends the three components of a vector, separated by blanks, in the surface file's format.
void AppendVector(std::string& line, Vector3 v, bool fullPrecision) {
    char number[numberTextSize];
    const auto append = [&](double value) {
        if (fullPrecision) {
            FormatRoundTrip(value, number);
        } else {
            FormatGeneral(value, number);
        }
        line += number;
    };
    append(v.x);
    line += ' ';
    append(v.y);
    line += ' ';
    append(v.z);
}

// One point or plane line: the record index, tab, one vector, tab, the other vector.
std::string VectorRecord(int index, Vector3 first, Vector3 second, bool fullPrecision) {
    std::string line = std::to_string(index) + '\t';
    AppendVector(line, first, fullPrecision);
    line += '\t';
    AppendVector(line, second, fullPrecision);
    line += '\n';
    return line;
}

// Writes one line; false when the stream refused it, so that the writing stops at once.
bool Put(std::FILE* file, const std::string& line) { return std::fputs(line.c_str(), file) >= 0; }

}  // namespace

bool CSurface::WriteStoredPart(std::FILE* file, const SurfaceFileStyle& style) const {
    CStopwatch stopwatch;
    std::string line = "% ";
    line += style.title != nullptr ? style.title : "Surface File generated by Kavoral";
    line += "\n% Date: ";
    line += stopwatch.DateText();
    line += '\n';
    line += std::to_string(pointCount) + '\n';
    if (!Put(file, line)) return false;
    for (int i = 0; i < pointCount; ++i) {
        if (!Put(file, VectorRecord(i, points[i], pointDirections[i], style.fullPrecision))) {
            return false;
        }
    }
    if (!Put(file, std::to_string(elementCount) + '\n')) return false;
    for (int j = 0; j < elementCount; ++j) {
        const SurfaceElement& element = elements[j];
        line = std::to_string(j) + '\t' + std::to_string(element.nodeCount) + '\t';
        for (int k = 0; k < element.nodeCount; ++k) {
            if (k > 0) line += ' ';
            line += std::to_string(static_cast<unsigned>(element.nodes[k]));
        }
        line += '\n';
        if (!Put(file, line)) return false;
    }
    if (!Put(file, std::to_string(symmetryPlaneCount) + '\n')) return false;
    for (int k = 0; k < symmetryPlaneCount; ++k) {
        if (!Put(file, VectorRecord(k, planePoints[k], planeNormals[k], style.fullPrecision))) {
            return false;
        }
    }
    return true;
}

int CSurface::WriteSurfaceFile(const char* fileName) {
    return WriteSurfaceFile(fileName, SurfaceFileStyle{});
}

int CSurface::WriteSurfaceFile(const char* fileName, const SurfaceFileStyle& style) {
    const char* const function = "WriteSurfaceFile";
    if (fileName == nullptr) {
        logFile.ReportError(className, function, Message::badParameter, "filename <NULL>");
        return Status::badParameter;
    }
    // The file may also be the input: it is replaced only by a complete surface.
    CFileReplacement file;
    if (!file.Open(fileName)) {
        logFile.ReportError(className, function, Message::openError, "filename");
        return Status::openError;
    }
    if (!WriteStoredPart(file.Stream(), style) || !file.Commit()) {
        logFile.ReportError(className, function, Message::writeError, fileName);
        return Status::writeError;
    }
    return Status::ok;
}
