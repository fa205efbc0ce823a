// kavoral._core: the frequency room of the library in a Python session. A model is described by
// numpy arrays or by files, prepared once, and solved one frequency at a time by the solve that
// kavoral-sweep runs; the results come back as numpy arrays and are written by the sweep's own
// writers. The library runs without the interpreter lock and one call at a time, as its log
// writer is process-wide; a failure becomes kavoral.KavoralError carrying the library's report.
#include <pybind11/complex.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <complex>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "base/LogFile.h"
#include "base/Status.h"
#include "base/Threads.h"
#include "fileio/ExcitationType.h"
#include "frequency/FrequencySolver.h"
#include "frequency/Model.h"
#include "frequency/ModelChecks.h"
#include "surface/SurfaceElement.h"
#include "sweep/JobFile.h"
#include "frequency/SurfacePower.h"
#include "sweep/SweepOutput.h"

namespace py = pybind11;

namespace {

using RealArray = py::array_t<double, py::array::c_style | py::array::forcecast>;
using IndexArray = py::array_t<long long, py::array::c_style | py::array::forcecast>;
using Node = std::remove_cv_t<std::remove_reference_t<decltype(SurfaceElement{}.nodes[0])>>;

// A failure of the library: its status and its report as the programs print it.
struct LibraryFailure {
    int status;
    std::string report;
};

std::mutex libraryMutex;

// Runs a library call without the interpreter lock and with its console text captured into
// `text`; throws LibraryFailure when it fails.
template <class Call>
void RunLibrary(const Call& call, std::string& text) {
    int status = 0;
    {
        py::gil_scoped_release release;
        std::lock_guard<std::mutex> lock(libraryMutex);
        ConsoleCapture capture;
        status = call();
        text = std::move(capture.text);
    }
    if (status >= 0) return;
    const std::size_t report = text.find("######## ERROR");
    throw LibraryFailure{status, report == std::string::npos
                                     ? "the library failed with status " + std::to_string(status)
                                     : text.substr(report)};
}

// The rows of an (n, 3) array of finite numbers; `what` names it in the error.
std::vector<Vector3> Points(const py::handle& object, const char* what) {
    const RealArray array = RealArray::ensure(object);
    if (!array || array.ndim() != 2 || array.shape(1) != 3)
        throw py::value_error(std::string(what) + " must be an (n, 3) array of numbers");
    std::vector<Vector3> points(static_cast<std::size_t>(array.shape(0)));
    const double* data = array.data();
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i] = {data[3 * i], data[3 * i + 1], data[3 * i + 2]};
        if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y) ||
            !std::isfinite(points[i].z)) {
            throw py::value_error(std::string(what) + ": row " + std::to_string(i) +
                                  " is not finite");
        }
    }
    return points;
}

// Elements from an (m, 3) or (m, 4) array of point indices; -1 in the fourth column makes a
// row a triangle. Indices beyond the points are left to the surface check, which reports them.
std::vector<SurfaceElement> Elements(const py::handle& object) {
    const IndexArray array = IndexArray::ensure(object);
    if (!array || array.ndim() != 2 || (array.shape(1) != 3 && array.shape(1) != 4))
        throw py::value_error("elements must be an (m, 3) or (m, 4) array of point indices");
    const std::size_t columns = static_cast<std::size_t>(array.shape(1));
    std::vector<SurfaceElement> elements(static_cast<std::size_t>(array.shape(0)));
    const long long* data = array.data();
    for (std::size_t j = 0; j < elements.size(); ++j) {
        const long long* row = data + columns * j;
        const bool triangle = columns == 3 || row[3] == -1;
        elements[j].nodeCount = triangle ? 3 : 4;
        elements[j].nodes[3] = unusedNode;
        for (int k = 0; k < elements[j].nodeCount; ++k) {
            if (row[k] < 0 || row[k] >= static_cast<long long>(unusedNode)) {
                throw py::value_error("element " + std::to_string(j) + ": point index " +
                                      std::to_string(row[k]) + " out of range");
            }
            elements[j].nodes[k] = static_cast<Node>(row[k]);
        }
    }
    return elements;
}

Complex ToComplex(std::complex<double> value) { return {value.real(), value.imag()}; }

int TypeOfLetter(const std::string& letter) {
    const int type = letter.size() == 1 ? ExcitationTypeOfLetter(letter[0]) : -1;
    if (type < 0) throw py::value_error("a boundary condition type is P, V, Z or Y, not " + letter);
    return type;
}

ChiefMode ChiefOf(const std::string& mode) {
    if (mode == "auto") return ChiefMode::automatic;
    if (mode == "off") return ChiefMode::off;
    if (mode == "always") return ChiefMode::always;
    throw py::value_error("chief is 'auto', 'off' or 'always', not '" + mode + "'");
}

SolverMode SolverOf(const std::string& mode) {
    if (mode == "auto") return SolverMode::automatic;
    if (mode == "dense") return SolverMode::dense;
    if (mode == "compressed") return SolverMode::compressed;
    throw py::value_error("solver is 'auto', 'dense' or 'compressed', not '" + mode + "'");
}

bool Given(const py::dict& settings, const char* key) {
    return settings.contains(key) && !settings[key].is_none();
}

// The plane waves and point sources, each (amplitude, (1, 3) array), added to `incident`.
void AddIncident(const py::handle& waves, const py::handle& sources, CIncidentField& incident) {
    for (const auto& wave : waves.cast<std::vector<std::pair<std::complex<double>, py::object>>>()) {
        const std::vector<Vector3> direction = Points(wave.second, "a plane wave's direction");
        if (direction.size() != 1 || !CIncidentField::UsableDirection(direction[0]))
            throw py::value_error("a plane wave's direction must be three numbers, not all 0");
        incident.AddPlaneWave(ToComplex(wave.first), direction[0]);
    }
    for (const auto& source : sources.cast<std::vector<std::pair<std::complex<double>, py::object>>>()) {
        const std::vector<Vector3> position = Points(source.second, "a point source's position");
        if (position.size() != 1) throw py::value_error("a point source's position is three numbers");
        incident.AddPointSource(ToComplex(source.first), position[0]);
    }
}

// The description of a model from the settings the package's Model gathers (every key there,
// None where not given).
void Describe(const py::dict& s, SweepJob& job) {
    job.config.density = s["density"].cast<double>();
    job.config.soundVelocity = ToComplex(s["sound_velocity"].cast<std::complex<double>>());
    job.config.pointEps = s["point_eps"].cast<double>();
    job.config.paraEps = s["para_eps"].cast<double>();
    job.config.threads = s["threads"].cast<int>();
    if (Given(s, "division")) {
        const auto division = s["division"].cast<std::vector<double>>();
        if (division.size() != 2) throw py::value_error("division takes two distances");
        job.config.division[0] = division[0];
        job.config.division[1] = division[1];
        job.divisionGiven = true;
    }
    job.rulesFile = s["rules"].cast<std::string>();
    job.direction = s["direction"].cast<std::string>();
    if (job.direction != "OUT" && job.direction != "IN")
        throw py::value_error("direction is 'OUT' or 'IN'");

    if (Given(s, "surface_file")) {
        job.surfaceFile = s["surface_file"].cast<std::string>();
    } else {
        job.surfacePoints = Points(s["points"], "points");
        job.surfaceElements = Elements(s["elements"]);
        if (Given(s, "directions")) job.surfaceDirections = Points(s["directions"], "directions");
        if (Given(s, "symmetry")) {
            const RealArray planes = RealArray::ensure(s["symmetry"]);
            if (!planes || planes.ndim() != 2 || planes.shape(1) != 6)
                throw py::value_error("symmetry must be a (k, 6) array: a point and a normal a row");
            for (py::ssize_t k = 0; k < planes.shape(0); ++k) {
                job.planePoints.push_back({planes.at(k, 0), planes.at(k, 1), planes.at(k, 2)});
                job.planeNormals.push_back({planes.at(k, 3), planes.at(k, 4), planes.at(k, 5)});
            }
        }
    }
    if (Given(s, "regions_file")) {
        job.regionsFile = s["regions_file"].cast<std::string>();
    } else if (Given(s, "regions")) {
        for (const std::string& name : s["regions"].cast<std::vector<std::string>>()) {
            int index = job.regions.Find(name);
            if (index < 0) {
                index = static_cast<int>(job.regions.names.size());
                job.regions.names.push_back(name);
            }
            job.regions.elementRegion.push_back(index);
        }
        if (job.regions.elementRegion.size() != job.surfaceElements.size())
            throw py::value_error("regions must name one region for every element");
    }
    if (Given(s, "excitation_file")) {
        job.excitationFile = s["excitation_file"].cast<std::string>();
    } else if (Given(s, "excitation")) {
        const auto excitation =
            s["excitation"].cast<std::pair<std::vector<std::string>, std::vector<std::complex<double>>>>();
        if (excitation.first.size() != excitation.second.size())
            throw py::value_error("the excitation needs one type and one value a point");
        for (std::size_t i = 0; i < excitation.first.size(); ++i) {
            job.excitation.types.push_back(static_cast<std::int16_t>(TypeOfLetter(excitation.first[i])));
            job.excitation.values.push_back(ToComplex(excitation.second[i]));
        }
    }
    for (const auto& condition :
         s["boundaries"].cast<std::vector<std::tuple<std::string, std::string, std::complex<double>>>>()) {
        BoundaryCondition boundary;
        boundary.region = std::get<0>(condition);
        boundary.type = TypeOfLetter(std::get<1>(condition));
        boundary.value = ToComplex(std::get<2>(condition));
        job.boundaries.push_back(boundary);
    }
    if (Given(s, "field_points_file")) {
        job.fieldPointsFiles = {s["field_points_file"].cast<std::string>()};
    } else if (Given(s, "field_points")) {
        job.fieldPoints = Points(s["field_points"], "field_points");
    }
    AddIncident(s["plane_waves"], s["point_sources"], job.incident);
    // Load cases: (name, boundaries, excitation or None, plane waves, point sources), each
    // starting from the conditions and incident sound above; combinations: (name, [(case,
    // weight)]).
    if (Given(s, "cases")) {
        for (const py::handle& entry : s["cases"]) {
            const py::tuple item = py::reinterpret_borrow<py::tuple>(entry);
            LoadCase loadCase;
            loadCase.name = item[0].cast<std::string>();
            loadCase.boundaries = job.boundaries;
            for (const auto& condition : item[1].cast<std::vector<
                     std::tuple<std::string, std::string, std::complex<double>>>>()) {
                BoundaryCondition boundary;
                boundary.region = std::get<0>(condition);
                boundary.type = TypeOfLetter(std::get<1>(condition));
                boundary.value = ToComplex(std::get<2>(condition));
                loadCase.boundaries.push_back(boundary);
            }
            if (!item[2].is_none()) {
                const auto excitation = item[2].cast<
                    std::pair<std::vector<std::string>, std::vector<std::complex<double>>>>();
                if (excitation.first.size() != excitation.second.size())
                    throw py::value_error("the excitation needs one type and one value a point");
                for (std::size_t i = 0; i < excitation.first.size(); ++i) {
                    loadCase.excitation.types.push_back(
                        static_cast<std::int16_t>(TypeOfLetter(excitation.first[i])));
                    loadCase.excitation.values.push_back(ToComplex(excitation.second[i]));
                }
                loadCase.boundaries.clear();
            }
            loadCase.incident = job.incident;
            AddIncident(item[3], item[4], loadCase.incident);
            job.cases.push_back(std::move(loadCase));
        }
    }
    if (Given(s, "combinations")) {
        for (const auto& combination : s["combinations"].cast<std::vector<std::pair<
                 std::string, std::vector<std::pair<std::string, std::complex<double>>>>>>()) {
            CaseCombination made;
            made.name = combination.first;
            for (const auto& term : combination.second) {
                made.cases.push_back(term.first);
                made.weights.push_back(ToComplex(term.second));
            }
            job.combinations.push_back(std::move(made));
        }
    }
    job.chief = ChiefOf(s["chief"].cast<std::string>());
    job.chiefPoints = s["chief_points"].cast<int>();
    if (job.chiefPoints < 1 || job.chiefPoints > CJobFile::chiefPointLimit)
        throw py::value_error("chief_points must be 1 to " + std::to_string(CJobFile::chiefPointLimit));
    job.residualLimit = s["residual_limit"].cast<double>();
    if (!(job.residualLimit > 0.0)) throw py::value_error("residual_limit must be above 0");
    for (const std::string& what : s["accept"].cast<std::vector<std::string>>()) {
        if (what == "size") {
            job.acceptSize = true;
        } else if (what == "side") {
            job.acceptSide = true;
        } else {
            throw py::value_error("accept takes 'size' and 'side', not '" + what + "'");
        }
    }
    job.solver = SolverOf(s["solver"].cast<std::string>());
    job.solverTolerance = s["solver_tolerance"].cast<double>();
    if (!(job.solverTolerance > 0.0 && job.solverTolerance < 1.0))
        throw py::value_error("solver_tolerance must be above 0 and below 1");
}

// A prepared model and the description it was made from, which the writers name in the files.
class PreparedModel {
public:
    explicit PreparedModel(SweepJob description) : job(std::move(description)) {
        RunLibrary([this] { return PrepareModel(job, model); }, log);
    }

    // The results of every load case, then of every combination, at the frequency.
    std::vector<FrequencyResult> Solve(double frequency) const {
        if (!(frequency > 0.0) || !std::isfinite(frequency))
            throw py::value_error("a frequency must be above 0 Hz and finite");
        std::vector<FrequencyResult> results;
        FrequencyOptions options;
        options.threads = ResolveThreadCount(model.config.threads);
        std::string text;
        RunLibrary(
            [&] { return CFrequencySolver().SolveCases(model, frequency, options, results); },
            text);
        return results;
    }

    // The mesh against the frequencies (frequency/ModelChecks.h); returns what the check printed.
    std::string CheckFrequencies(const std::vector<double>& frequencies) const {
        std::string text;
        RunLibrary(
            [&] {
                return CheckWavelengths({model.radius, model.longestEdge, model.config.soundVelocity},
                                        frequencies, model.acceptSize);
            },
            text);
        return text;
    }

    // The sound power in W that a solution radiates.
    double Power(const FrequencyResult& result) const {
        double power = 0.0;
        std::string text;
        RunLibrary(
            [&] {
                power = RadiatedPower(*model.generator, result.pressures.data(),
                                      result.velocities.data());
                return 0;
            },
            text);
        return power;
    }

    // The per-frequency files of the sweep: surface and field result and VTK files.
    void WriteFrequencyFiles(const std::string& folder,
                             const std::vector<FrequencyResult>& results) const {
        if (results.empty()) return;
        std::string text;
        RunLibrary([&] { return output::WriteFrequencyFiles(folder, model, job, results); },
                   text);
    }

    // The tables frequencies.csv and, with field points, field.csv of the results in the order
    // given.
    void WriteTables(const std::string& folder, const std::vector<FrequencyResult>& results) const {
        std::string frequencies = std::string(output::frequencyHeader) + "\n";
        std::string field = std::string(output::fieldHeader) + "\n";
        for (const FrequencyResult& result : results) {
            frequencies += output::FrequencyRow(result, model.pointCount);
            field += output::FieldRows(result, model.fieldPoints, result.incidentField);
        }
        std::string text;
        RunLibrary(
            [&] {
                int status = output::WriteTextFile(folder + "/frequencies.csv", frequencies);
                if (status < 0 || model.fieldPoints.empty()) return status;
                status = output::WriteTextFile(
                    folder + "/field_points.csv",
                    std::string(output::fieldPointHeader) + "\n" +
                        output::FieldPointRows(model, job.fieldPointsFiles));
                if (status < 0) return status;
                return output::WriteTextFile(folder + "/field.csv", field);
            },
            text);
    }

    // The ParaView collection sweep.pvd of the frequency files.
    void WriteCollection(const std::string& folder, const std::vector<double>& frequencies) const {
        const std::string xml = output::Collection(frequencies, !model.fieldPoints.empty());
        std::string text;
        RunLibrary([&] { return output::WriteTextFile(folder + "/sweep.pvd", xml); }, text);
    }

    SweepJob job;
    Model model;
    std::string log;  // what the preparation printed
};

py::array_t<std::complex<double>> ComplexArray(const std::vector<Complex>& values) {
    py::array_t<std::complex<double>> array(static_cast<py::ssize_t>(values.size()));
    auto* data = array.mutable_data();
    for (std::size_t i = 0; i < values.size(); ++i) data[i] = {values[i].re, values[i].im};
    return array;
}

py::array_t<double> PointArray(const std::vector<Vector3>& points, std::size_t count) {
    py::array_t<double> array({static_cast<py::ssize_t>(count), py::ssize_t{3}});
    auto* data = array.mutable_data();
    for (std::size_t i = 0; i < count; ++i) {
        data[3 * i] = points[i].x;
        data[3 * i + 1] = points[i].y;
        data[3 * i + 2] = points[i].z;
    }
    return array;
}

}  // namespace

PYBIND11_MODULE(_core, module) {
    module.doc() = "The Kavoral library: a model prepared once and solved one frequency at a time.";
    module.attr("ELEMENTS_PER_WAVELENGTH") = elementsPerWavelengthLeast;

    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const LibraryFailure& error) {
            const py::object type = py::module_::import("kavoral.errors").attr("KavoralError");
            PyErr_SetObject(type.ptr(), py::make_tuple(error.report, error.status).ptr());
        }
    });

    py::class_<FrequencyResult>(module, "FrequencyResult",
                                "The solution of a model at one frequency.")
        .def_readonly("frequency", &FrequencyResult::frequency)
        .def_readonly("ka", &FrequencyResult::ka)
        .def_readonly("chief_points", &FrequencyResult::chiefPoints)
        .def_readonly("first_residual", &FrequencyResult::firstResidual)
        .def_readonly("residual", &FrequencyResult::residual)
        .def_readonly("near_resonance", &FrequencyResult::nearResonance)
        .def_readonly("trusted", &FrequencyResult::trusted)
        .def_readonly("compressed", &FrequencyResult::compressed)
        .def_readonly("iterations", &FrequencyResult::iterations)
        .def_readonly("seconds", &FrequencyResult::seconds)
        .def_readonly("elements_per_wavelength", &FrequencyResult::elementsPerWavelength)
        .def_readonly("power", &FrequencyResult::power)
        .def_readonly("case", &FrequencyResult::caseName)
        .def_readonly("factorisations", &FrequencyResult::factorisations)
        .def_property_readonly("pressures",
                               [](const FrequencyResult& r) { return ComplexArray(r.pressures); })
        .def_property_readonly("velocities",
                               [](const FrequencyResult& r) { return ComplexArray(r.velocities); })
        .def_property_readonly("field",
                               [](const FrequencyResult& r) { return ComplexArray(r.field); })
        .def_property_readonly(
            "incident_field", [](const FrequencyResult& r) { return ComplexArray(r.incidentField); });

    py::class_<PreparedModel>(module, "PreparedModel",
                              "A model read and prepared by the library, ready for any frequency.")
        .def(py::init([](const py::dict& settings) {
                 SweepJob job;
                 Describe(settings, job);
                 return std::make_unique<PreparedModel>(std::move(job));
             }),
             py::arg("settings"))
        .def("solve", &PreparedModel::Solve, py::arg("frequency"),
             "Solves at one frequency in Hz, without the interpreter lock.")
        .def("check_frequencies", &PreparedModel::CheckFrequencies, py::arg("frequencies"),
             "Checks the mesh against the frequencies; returns the lines printed, raises "
             "KavoralError for a likely unit mistake.")
        .def("power", &PreparedModel::Power, py::arg("result"),
             "The sound power in W that the solution radiates.")
        .def("write_frequency_files", &PreparedModel::WriteFrequencyFiles, py::arg("folder"),
             py::arg("results"))
        .def_property_readonly("case_names",
                               [](const PreparedModel& m) {
                                   std::vector<std::string> names;
                                   for (const ModelCase& c : m.model.cases) names.push_back(c.name);
                                   for (const ModelCombination& c : m.model.combinations)
                                       names.push_back(c.name);
                                   return names;
                               })
        .def("write_tables", &PreparedModel::WriteTables, py::arg("folder"), py::arg("results"))
        .def("write_collection", &PreparedModel::WriteCollection, py::arg("folder"),
             py::arg("frequencies"))
        .def_readonly("log", &PreparedModel::log)
        .def_property_readonly("point_count", [](const PreparedModel& m) { return m.model.pointCount; })
        .def_property_readonly("points",
                               [](const PreparedModel& m) {
                                   return PointArray(m.model.surface->points,
                                                     static_cast<std::size_t>(m.model.pointCount));
                               })
        .def_property_readonly("field_points",
                               [](const PreparedModel& m) {
                                   return PointArray(m.model.fieldPoints, m.model.fieldPoints.size());
                               })
        .def_property_readonly("chief_positions",
                               [](const PreparedModel& m) {
                                   return PointArray(m.model.interior.chief,
                                                     m.model.interior.chief.size());
                               })
        .def_property_readonly("division",
                               [](const PreparedModel& m) {
                                   return std::make_pair(m.model.config.division[0],
                                                         m.model.config.division[1]);
                               })
        .def_property_readonly("longest_edge",
                               [](const PreparedModel& m) { return m.model.longestEdge; })
        .def_property_readonly("threads",
                               [](const PreparedModel& m) { return ResolveThreadCount(m.model.config.threads); })
        .def_property_readonly("excitation", [](const PreparedModel& m) {
            std::string letters;
            for (std::int16_t type : m.model.cases[0].excitation.types) letters += ExcitationLetter(type);
            return std::make_pair(letters, ComplexArray(m.model.cases[0].excitation.values));
        });

    // The size rule of the sweep for a surface given as its complete points and elements (mirror
    // images included), as kavoral-mesh check applies it: the lines printed.
    module.def(
        "check_wavelengths",
        [](const py::handle& points, const py::handle& elements,
           const std::vector<double>& frequencies, std::complex<double> soundVelocity,
           bool acceptSize) {
            const std::vector<Vector3> where = Points(points, "points");
            const std::vector<SurfaceElement> faces = Elements(elements);
            for (const SurfaceElement& face : faces) {
                for (int k = 0; k < face.nodeCount; ++k) {
                    if (face.nodes[k] >= where.size())
                        throw py::value_error("an element refers to a point that does not exist");
                }
            }
            const SurfaceGeometry geometry{where.data(), faces.data(), static_cast<int>(faces.size())};
            const BodyScale body{LargestDistanceFromCentroid(where.data(), static_cast<int>(where.size())),
                                 interior::LongestEdge(geometry), ToComplex(soundVelocity)};
            std::string text;
            RunLibrary([&] { return CheckWavelengths(body, frequencies, acceptSize); }, text);
            return text;
        },
        py::arg("points"), py::arg("elements"), py::arg("frequencies"),
        py::arg("sound_velocity") = std::complex<double>(343.0, 0.0), py::arg("accept_size") = false);

    // A job file of kavoral-sweep as a model: its description and its frequencies.
    module.def(
        "read_job",
        [](const std::string& fileName, const std::string& rules) {
            SweepJob job;
            std::string text;
            RunLibrary([&] { return CJobFile().Read(fileName.c_str(), job); }, text);
            job.rulesFile = rules;
            const std::vector<double> frequencies = job.frequencies;
            const std::string folder = job.outputDirectory;
            auto model = std::make_unique<PreparedModel>(std::move(job));
            return py::make_tuple(std::move(model), frequencies, folder);
        },
        py::arg("file_name"), py::arg("rules"));
}
