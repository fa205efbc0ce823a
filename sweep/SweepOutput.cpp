#include "sweep/SweepOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "base/LogFile.h"
#include "base/Constants.h"
#include "base/Status.h"
#include "fileio/FileIO.h"
#include "fileio/FileReplacement.h"
#include "sweep/AtomicFile.h"

namespace output {

namespace {

constexpr const char* className = "CSweepOutput";

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string G(double value) { return Format("%.10g", value); }

void AppendArray(std::string& xml, const char* name, int components,
                 const std::vector<double>& values) {
    xml += "        <DataArray type=\"Float64\" Name=\"" + std::string(name) +
           "\" NumberOfComponents=\"" + std::to_string(components) + "\" format=\"ascii\">\n";
    for (std::size_t i = 0; i < values.size(); ++i) {
        xml +=
            (i % static_cast<std::size_t>(3 * components) == 0 ? "          " : " ") + G(values[i]);
        if ((i + 1) % static_cast<std::size_t>(3 * components) == 0 || i + 1 == values.size())
            xml += "\n";
    }
    xml += "        </DataArray>\n";
}

void AppendIntegers(std::string& xml, const char* name, const std::vector<long>& values) {
    xml +=
        "        <DataArray type=\"Int64\" Name=\"" + std::string(name) + "\" format=\"ascii\">\n";
    for (std::size_t i = 0; i < values.size(); ++i) {
        xml += (i % 12 == 0 ? "          " : " ") + std::to_string(values[i]);
        if ((i + 1) % 12 == 0 || i + 1 == values.size()) xml += "\n";
    }
    xml += "        </DataArray>\n";
}

struct PointArrays {
    std::vector<double> pRe, pIm, absP, spl;
    std::vector<double> vRe, vIm, absV;
    void Add(Complex p) {
        pRe.push_back(p.re);
        pIm.push_back(p.im);
        absP.push_back(Abs(p));
        spl.push_back(SoundPressureLevel(p));
    }
    void AddVelocity(Complex v) {
        vRe.push_back(v.re);
        vIm.push_back(v.im);
        absV.push_back(Abs(v));
    }
};

// The arrays of one case: its name, empty for a model without cases.
struct CaseArrays {
    std::string name;
    PointArrays arrays;
};

// An unstructured grid of points with cells given by connectivity, offsets and VTK cell types.
std::string UnstructuredGrid(const std::vector<double>& coordinates,
                             const std::vector<long>& connectivity,
                             const std::vector<long>& offsets, const std::vector<long>& types,
                             const std::vector<CaseArrays>& cases, double frequency) {
    std::string xml =
        "<?xml version=\"1.0\"?>\n"
        "<VTKFile type=\"UnstructuredGrid\" version=\"0.1\" byte_order=\"LittleEndian\">\n"
        "  <UnstructuredGrid>\n"
        "    <FieldData>\n"
        "      <DataArray type=\"Float64\" Name=\"frequency_hz\" NumberOfTuples=\"1\" "
        "format=\"ascii\">" +
        G(frequency) + "</DataArray>\n    </FieldData>\n";
    xml += "    <Piece NumberOfPoints=\"" + std::to_string(coordinates.size() / 3) +
           "\" NumberOfCells=\"" + std::to_string(types.size()) + "\">\n";
    const auto named = [&](const char* array, const std::string& caseName) {
        return caseName.empty() ? std::string(array) : std::string(array) + "_" + caseName;
    };
    xml += "      <PointData Scalars=\"" + named("abs_p", cases.front().name) + "\">\n";
    for (const CaseArrays& one : cases) {
        const PointArrays& arrays = one.arrays;
        AppendArray(xml, named("p_re", one.name).c_str(), 1, arrays.pRe);
        AppendArray(xml, named("p_im", one.name).c_str(), 1, arrays.pIm);
        AppendArray(xml, named("abs_p", one.name).c_str(), 1, arrays.absP);
        AppendArray(xml, named("spl_db", one.name).c_str(), 1, arrays.spl);
        if (!arrays.vRe.empty()) {
            AppendArray(xml, named("v_re", one.name).c_str(), 1, arrays.vRe);
            AppendArray(xml, named("v_im", one.name).c_str(), 1, arrays.vIm);
            AppendArray(xml, named("abs_v", one.name).c_str(), 1, arrays.absV);
        }
    }
    xml += "      </PointData>\n      <Points>\n";
    AppendArray(xml, "points", 3, coordinates);
    xml += "      </Points>\n      <Cells>\n";
    AppendIntegers(xml, "connectivity", connectivity);
    AppendIntegers(xml, "offsets", offsets);
    AppendIntegers(xml, "types", types);
    xml += "      </Cells>\n    </Piece>\n  </UnstructuredGrid>\n</VTKFile>\n";
    return xml;
}

// The whole body, symmetry images included: every point shows the values of its file point.
std::string SurfaceGrid(const Model& model, const std::vector<FrequencyResult>& results) {
    const CSurface& surface = *model.surface;
    std::vector<double> coordinates;
    std::vector<CaseArrays> cases(results.size());
    for (int i = 0; i < surface.totalPointCount; ++i) {
        const Vector3 x = surface.points[static_cast<std::size_t>(i)];
        coordinates.insert(coordinates.end(), {x.x, x.y, x.z});
        const std::size_t source = surface.sourcePointIndex[static_cast<std::size_t>(i)];
        for (std::size_t c = 0; c < results.size(); ++c) {
            cases[c].arrays.Add(results[c].pressures[source]);
            cases[c].arrays.AddVelocity(results[c].velocities[source]);
        }
    }
    for (std::size_t c = 0; c < results.size(); ++c) cases[c].name = results[c].caseName;
    std::vector<long> connectivity, offsets, types;
    for (int e = 0; e < surface.totalElementCount; ++e) {
        const SurfaceElement& element = surface.elements[static_cast<std::size_t>(e)];
        for (int j = 0; j < element.nodeCount; ++j) connectivity.push_back(element.nodes[j]);
        offsets.push_back(static_cast<long>(connectivity.size()));
        types.push_back(element.nodeCount == 4 ? 9 : 5);  // VTK_QUAD, VTK_TRIANGLE
    }
    return UnstructuredGrid(coordinates, connectivity, offsets, types, cases,
                            results.front().frequency);
}

std::string FieldGrid(const Model& model, const std::vector<FrequencyResult>& results) {
    std::vector<double> coordinates;
    std::vector<CaseArrays> cases(results.size());
    for (std::size_t c = 0; c < results.size(); ++c) cases[c].name = results[c].caseName;
    std::vector<long> connectivity, offsets, types;
    for (std::size_t i = 0; i < model.fieldPoints.size(); ++i) {
        const Vector3 x = model.fieldPoints[i];
        coordinates.insert(coordinates.end(), {x.x, x.y, x.z});
        for (std::size_t c = 0; c < results.size(); ++c) cases[c].arrays.Add(results[c].field[i]);
        connectivity.push_back(static_cast<long>(i));
        offsets.push_back(static_cast<long>(i + 1));
        types.push_back(1);  // VTK_VERTEX
    }
    return UnstructuredGrid(coordinates, connectivity, offsets, types, cases,
                            results.front().frequency);
}

int WriteResult(const std::string& fileName, int count, const Complex* pressures,
                const Complex* velocities, const std::string& source, const std::string& matrix) {
    return WriteAtomically(
        fileName, className, "WriteResultFile", [&](const std::string& temporary) {
            return CFileIO().WriteResultFile(temporary.c_str(), count, pressures, velocities,
                                             source.c_str(), matrix.c_str());
        });
}

// The points files named in a result file's header, which its readers take up to 500
// characters long.
std::string FieldPointsSource(const std::vector<std::string>& files) {
    if (files.empty()) return "";
    std::string source = files[0];
    if (files.size() > 1) source += " and " + std::to_string(files.size() - 1) + " more";
    return source.size() > 400 ? source.substr(source.size() - 400) : source;
}

}  // namespace

std::string FrequencyText(double frequency) { return G(frequency); }

// A table cell that holds any text: quoted when it holds a comma or a quote.
std::string CsvCell(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string FieldPointRows(const Model& model, const std::vector<std::string>& files) {
    std::string rows;
    for (std::size_t i = 0; i < model.fieldPoints.size(); ++i) {
        const Vector3 x = model.fieldPoints[i];
        const int file = i < model.fieldPointFile.size() ? model.fieldPointFile[i] : -1;
        rows += std::to_string(i) + "," + G(x.x) + "," + G(x.y) + "," + G(x.z) + "," +
                (file >= 0 && file < static_cast<int>(files.size())
                     ? CsvCell(files[static_cast<std::size_t>(file)])
                     : std::string()) +
                "\n";
    }
    return rows;
}

int WriteExcitation(const std::string& fileName, const PointExcitation& excitation,
                    const std::string& title) {
    return WriteAtomically(
        fileName, "", "WriteExcitationFile", [&](const std::string& temporary) {
            return CFileIO().WriteExcitationFile(
                temporary.c_str(), static_cast<int>(excitation.types.size()),
                excitation.types.data(), excitation.values.data(), title.c_str());
        });
}

std::string FrequencyFile(const std::string& kind, double frequency, const std::string& extension,
                          const std::string& caseName) {
    return kind + "_" + FrequencyText(frequency) + "Hz" +
           (caseName.empty() ? std::string() : "_" + caseName) + "." + extension;
}

double SoundPressureLevel(Complex p) { return 20.0 * std::log10(Abs(p) / std::sqrt(2.0) / 2e-5); }

double PhaseDegrees(Complex p) { return std::atan2(p.im, p.re) * 180.0 / pi; }

double PowerLevel(double watts) {
    return watts > 0.0 ? 10.0 * std::log10(watts / 1e-12) : std::numeric_limits<double>::quiet_NaN();
}

namespace {

// The cell of one row under the column `name`, found in the header; empty when the row has
// fewer cells.
std::string RowCell(const std::string& row, const std::string& name) {
    const std::string header = std::string(",") + frequencyHeader + ",";
    const std::size_t column = header.find("," + name + ",");
    if (column == std::string::npos) return "";
    const long commas = std::count(header.begin() + 1, header.begin() + column + 1, ',');
    std::size_t start = 0;
    for (long i = 0; i < commas && start != std::string::npos; ++i) {
        start = row.find(',', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return "";
    const std::string cell = row.substr(start, row.find(',', start) - start);
    return cell.empty() || cell.back() != '\n' ? cell : cell.substr(0, cell.size() - 1);
}

int OneRowStatus(const std::string& row) {
    const std::string cell = RowCell(row, "status");
    char* end = nullptr;
    const long status = std::strtol(cell.c_str(), &end, 10);
    return end != cell.c_str() && *end == '\0' ? static_cast<int>(status) : -1;
}

std::vector<std::string> RowLines(const std::string& rows) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < rows.size()) {
        std::size_t end = rows.find('\n', start);
        if (end == std::string::npos) end = rows.size();
        lines.push_back(rows.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

int RowStatus(const std::string& rows) {
    const std::vector<std::string> lines = RowLines(rows);
    if (lines.empty()) return -1;
    for (const std::string& line : lines) {
        const int status = OneRowStatus(line);
        if (status != 0) return status;
    }
    return 0;
}

bool RowUntrusted(const std::string& rows) {
    for (const std::string& line : RowLines(rows)) {
        if (RowCell(line, "trust") == "untrusted") return true;
    }
    return false;
}

const char* TrustText(const FrequencyResult& result) {
    if (result.status < 0 || !result.trusted) return "untrusted";
    return std::isnan(result.residual) ? "unchecked" : "trusted";
}

std::vector<std::string> RowCases(const std::string& rows) {
    std::vector<std::string> cases;
    for (const std::string& line : RowLines(rows)) cases.push_back(line.substr(line.rfind(',') + 1));
    return cases;
}

std::string FrequencyRow(const FrequencyResult& result, int points) {
    return FrequencyText(result.frequency) + "," + Format("%.6g", result.ka) + "," +
           std::to_string(points) + "," + std::to_string(result.chiefPoints) + "," +
           Format("%.4g", result.residual) + "," + std::to_string(result.status) + "," +
           (result.compressed ? "compressed" : "dense") + "," +
           std::to_string(result.iterations) + "," + Format("%.3f", result.seconds) + "," +
           TrustText(result) + "," + Format("%.4g", result.elementsPerWavelength) + "," +
           G(result.power) + "," + Format("%.6g", PowerLevel(result.power)) + "," +
           result.caseName + "\n";
}

std::string FieldRows(const FrequencyResult& result, const std::vector<Vector3>& fieldPoints,
                      const std::vector<Complex>& incident) {
    std::string rows;
    if (result.status < 0) return rows;
    const std::string f = FrequencyText(result.frequency);
    for (std::size_t i = 0; i < fieldPoints.size() && i < result.field.size(); ++i) {
        const Vector3 x = fieldPoints[i];
        const Complex p = result.field[i];
        const Complex scattered = i < incident.size() ? p - incident[i] : p;
        rows += f + "," + std::to_string(i) + "," + G(x.x) + "," + G(x.y) + "," + G(x.z) + "," +
                G(p.re) + "," + G(p.im) + "," + G(Abs(p)) + "," +
                Format("%.6g", SoundPressureLevel(p)) + "," + Format("%.6g", PhaseDegrees(p)) +
                "," + G(scattered.re) + "," + G(scattered.im) + "," + result.caseName + "\n";
    }
    return rows;
}

int WriteTextFile(const std::string& fileName, const std::string& text) {
    CFileReplacement file;
    if (file.Open(fileName.c_str()) &&
        std::fwrite(text.data(), 1, text.size(), file.Stream()) == text.size() && file.Commit()) {
        return Status::ok;
    }
    logFile.ReportError(className, "WriteTextFile", Message::writeError, fileName.c_str());
    return Status::writeError;
}

int WriteFrequencyFiles(const std::string& folder, const Model& model, const SweepJob& job,
                        const std::vector<FrequencyResult>& results) {
    const std::string prefix = folder + "/";
    const double f = results.front().frequency;
    const std::string matrix = "kavoral-sweep " + FrequencyText(f) + " Hz of " + job.surfaceFile;
    for (std::size_t c = 0; c < results.size(); ++c) {
        const FrequencyResult& result = results[c];
        // The excitation file a case was read from, else the job file.
        const std::string& file = c < job.cases.size() ? job.cases[c].excitationFile
                                  : job.cases.empty()  ? job.excitationFile
                                                       : std::string();
        const std::string source = file.empty() ? job.jobFile : file;
        const std::string surfaceResult = FrequencyFile("surface", f, "res", result.caseName);
        int status = WriteResult(prefix + surfaceResult, model.pointCount,
                                 result.pressures.data(), result.velocities.data(), source,
                                 matrix);
        if (status < 0) return status;
        if (model.fieldPoints.empty()) continue;
        status = WriteResult(prefix + FrequencyFile("field", f, "res", result.caseName),
                             static_cast<int>(model.fieldPoints.size()), result.field.data(),
                             nullptr, surfaceResult, FieldPointsSource(job.fieldPointsFiles));
        if (status < 0) return status;
    }
    const int status =
        WriteTextFile(prefix + FrequencyFile("surface", f, "vtu"), SurfaceGrid(model, results));
    if (status < 0 || model.fieldPoints.empty()) return status;
    return WriteTextFile(prefix + FrequencyFile("field", f, "vtu"), FieldGrid(model, results));
}

std::string Collection(const std::vector<double>& frequencies, bool withField) {
    std::string xml =
        "<?xml version=\"1.0\"?>\n"
        "<VTKFile type=\"Collection\" version=\"0.1\" byte_order=\"LittleEndian\">\n"
        "  <Collection>\n";
    for (double f : frequencies) {
        xml += "    <DataSet timestep=\"" + FrequencyText(f) + "\" part=\"0\" file=\"" +
               FrequencyFile("surface", f, "vtu") + "\"/>\n";
        if (withField) {
            xml += "    <DataSet timestep=\"" + FrequencyText(f) + "\" part=\"1\" file=\"" +
                   FrequencyFile("field", f, "vtu") + "\"/>\n";
        }
    }
    return xml + "  </Collection>\n</VTKFile>\n";
}

}  // namespace output
