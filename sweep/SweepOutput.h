// The files of a sweep in its output folder: per frequency the surface and field result files
// and the VTK XML files of the surface and the field points; over all frequencies the tables
// frequencies.csv and field.csv and the ParaView collection sweep.pvd. Every file is written
// under a temporary name and renamed into place when complete.
#pragma once

#include <string>
#include <vector>

#include "frequency/FrequencySolver.h"
#include "frequency/Model.h"
#include "sweep/SweepJob.h"

namespace output {

constexpr const char* frequencyHeader =
    "frequency_hz,ka,points,chief_points,interior_residual,status,solver,iterations,seconds,"
    "trust,elements_per_wavelength,power_w,power_db,case";
constexpr const char* fieldHeader =
    "frequency_hz,point,x,y,z,p_re,p_im,abs_p,spl_db,phase_deg,ps_re,ps_im,case";

// field_points.csv: every field point by its number in the tables, and the points file it
// comes from (empty for points given in memory).
constexpr const char* fieldPointHeader = "point,x,y,z,file";

// The status column of a frequency row, as FrequencyRow wrote it; -1 when the row has none.
// Of the rows of several cases (each ending in a line feed): the first that is not 0.
int RowStatus(const std::string& row);
// Whether the trust column of a row, or of any row of the text, says untrusted.
bool RowUntrusted(const std::string& rows);
// The trust column of a result: trusted, untrusted (its residual above the limit, or failed) or
// unchecked (no interior residual).
const char* TrustText(const FrequencyResult& result);
// The case column (the last) of every row of the text, in order.
std::vector<std::string> RowCases(const std::string& rows);

// The text of a frequency in the tables and in the file names.
std::string FrequencyText(double frequency);
// The per-frequency file of a kind ("surface" or "field") and extension: surface_100Hz.res, or
// for a load case surface_100Hz_woofer.res.
std::string FrequencyFile(const std::string& kind, double frequency, const std::string& extension,
                          const std::string& caseName = "");

// The table rows of one frequency (each ending in a line feed).
std::string FrequencyRow(const FrequencyResult& result, int points);
// The field rows carry the total pressure and the scattered one, the total less `incident` (the
// incident pressure at each field point; empty: none, the scattered pressure is the total).
std::string FieldRows(const FrequencyResult& result, const std::vector<Vector3>& fieldPoints,
                      const std::vector<Complex>& incident);

// The rows of field_points.csv, `files` the points files of the description.
std::string FieldPointRows(const Model& model, const std::vector<std::string>& files);

// The sound pressure level in dB re 20 uPa of the RMS value |p| / sqrt 2, and the phase in
// degrees.
double SoundPressureLevel(Complex p);
double PhaseDegrees(Complex p);
// The sound power level in dB re 1 pW; NaN for a power that is not above 0.
double PowerLevel(double watts);

// Writes the result files of every case of one solved frequency (the results of its cases and
// combinations), and the VTK files of the surface and the field points with the arrays of
// every case (p_re_woofer, ...; without cases p_re, ...), into the folder. 0, or the negative
// status after one report.
int WriteFrequencyFiles(const std::string& folder, const Model& model, const SweepJob& job,
                        const std::vector<FrequencyResult>& results);

// Writes the excitation as an excitation file that the surface solution reads, values in full
// precision, written completely or not at all. 0, or the failure after one report (-3 when the
// file cannot be created).
int WriteExcitation(const std::string& fileName, const PointExcitation& excitation,
                    const std::string& title);

// Writes a text file completely or not at all. 0, or -7 after one report.
int WriteTextFile(const std::string& fileName, const std::string& text);

// The ParaView collection of the solved frequencies; a field file is listed when there are
// field points.
std::string Collection(const std::vector<double>& frequencies, bool withField);

}  // namespace output
