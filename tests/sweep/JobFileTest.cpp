// Reading the sweep's job file: its own keys, the configuration keys it shares with Kavoral.cfg,
// and the errors that name the file, the line and the key before any work is done.
#include <gtest/gtest.h>

#include <cmath>

#include "support/TestSupport.h"
#include "sweep/JobFile.h"

namespace {

struct JobRead {
    int status;
    SweepJob job;
    std::string console;
};

// Reads the job text as dir/job.txt, with a surface file present beside it.
JobRead ReadJob(const test::TempDir& dir, const std::string& text) {
    test::WriteFile(dir.File("sphere.srf"), "surface\n");
    test::ConsoleCapture capture;
    JobRead read{0, SweepJob{}, ""};
    CJobFile jobFile;
    read.status = jobFile.ReadText(text, dir.File("job.txt"), read.job);
    read.console = capture.text;
    EXPECT_EQ(capture.Reports(), read.status < 0 ? 1 : 0);
    return read;
}

const std::string minimal = "SURFACE sphere.srf\nFREQUENCIES 100\nBOUNDARY ALL V 1 0\nOUTPUT out\n";

void ExpectError(const std::string& text, const std::string& comment) {
    test::TempDir dir;
    const JobRead read = ReadJob(dir, text);
    EXPECT_EQ(read.status, -6) << text;
    EXPECT_NE(read.console.find(dir.File("job.txt") + comment), std::string::npos)
        << "expected ..." << comment << " in\n"
        << read.console;
}

TEST(JobFile, ReadsSweepKeysAndConfigurationKeysInAnyCase) {
    test::TempDir dir;
    test::WriteFile(dir.File("points.ms"), "points\n");
    const JobRead read = ReadJob(dir,
                                 "% a sweep\n"
                                 "surface sphere.srf\n"
                                 "Density 1.3\n"
                                 "SOUND_VELOCITY 340 1\n"
                                 "MATRIX_FILE BINARY\n"
                                 "FREQUENCIES 300 100\n"
                                 "frequencies 200\n"
                                 "\n"
                                 "BOUNDARY ALL v 1 -0.5\n"
                                 "FIELD_POINTS points.ms\n"
                                 "CHIEF 8\n"
                                 "DIRECTION OUT\n"
                                 "RESIDUAL_LIMIT 0.1\n"
                                 "accept untrusted\n"
                                 "OUTPUT /tmp/results\n");
    ASSERT_EQ(read.status, 0) << read.console;
    const SweepJob& job = read.job;
    EXPECT_EQ(job.surfaceFile, dir.File("sphere.srf"));
    EXPECT_EQ(job.fieldPointsFiles, std::vector<std::string>{dir.File("points.ms")});
    EXPECT_EQ(job.outputDirectory, "/tmp/results");  // absolute paths stay as written
    EXPECT_EQ(job.config.density, 1.3);
    EXPECT_EQ(job.config.soundVelocity.im, 1.0);
    EXPECT_EQ(job.config.matrixFileMode, matrixFileBinary);
    EXPECT_FALSE(job.divisionGiven);
    EXPECT_EQ(job.frequencies, (std::vector<double>{100, 200, 300}));
    ASSERT_EQ(job.boundaries.size(), 1u);
    EXPECT_EQ(job.boundaries[0].type, 1);
    EXPECT_EQ(job.boundaries[0].value.im, -0.5);
    EXPECT_EQ(job.chief, ChiefMode::always);
    EXPECT_EQ(job.chiefPoints, 8);
    EXPECT_EQ(job.residualLimit, 0.1);
    EXPECT_TRUE(job.acceptUntrusted);
    EXPECT_FALSE(job.acceptSize || job.acceptSide);
    const SweepJob accepting = ReadJob(dir, minimal + "accept side Size\n").job;
    EXPECT_TRUE(accepting.acceptSize && accepting.acceptSide && !accepting.acceptUntrusted);
}

// Mid-band frequencies of the base-ten series, from the band that holds start to the band that
// holds stop; even fractions lie half a step off 1000 Hz.
TEST(JobFile, FractionalOctaveRangesGiveTheMidBandFrequencies) {
    test::TempDir dir;
    const JobRead read = ReadJob(dir, minimal + "FREQUENCY_RANGE 100 200 3 OCTAVE\n"
                                                "FREQUENCY_RANGE 1100 900 2 octave\n"
                                                "FREQUENCY_RANGE 63 8000 1 OCTAVE\n");
    ASSERT_EQ(read.status, 0) << read.console;
    const std::vector<double> expected = {63.0957, 100,    125.893, 158.489, 199.526, 251.189,
                                          501.187, 841.395, 1000,   1188.5,  1995.26, 3981.07,
                                          7943.28};
    ASSERT_EQ(read.job.frequencies.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(read.job.frequencies[i], expected[i], 1e-5 * expected[i]) << i;
    EXPECT_EQ(read.job.frequencies[1], 100.0);
    EXPECT_EQ(read.job.frequencies[8], 1000.0);
}

TEST(JobFile, FrequencyRangesAddUpSortedWithExactEnds) {
    test::TempDir dir;
    const JobRead read = ReadJob(dir, minimal +
                                          "FREQUENCY_RANGE 100 1000 3 LOG\n"
                                          "FREQUENCY_RANGE 100 200 3 lin\n"
                                          "DIVISION 0.2 0.6\nCHIEF AUTO 5\n");
    ASSERT_EQ(read.status, 0) << read.console;
    const std::vector<double>& f = read.job.frequencies;
    ASSERT_EQ(f.size(), 5u);  // 100 appears three times and is kept once
    EXPECT_EQ(f[0], 100.0);
    EXPECT_EQ(f[1], 150.0);
    EXPECT_EQ(f[2], 200.0);
    EXPECT_NEAR(f[3], std::sqrt(1e5), 1e-9);
    EXPECT_EQ(f[4], 1000.0);
    EXPECT_TRUE(read.job.divisionGiven);
    EXPECT_EQ(read.job.chief, ChiefMode::automatic);
    EXPECT_EQ(read.job.chiefPoints, 5);
}

TEST(JobFile, ErrorsNameTheFileTheLineAndTheKey) {
    ExpectError(minimal + "FREQUENCIES 100 -5\n",
                " line 5, FREQUENCIES: '-5' is not a frequency above 0");
    ExpectError(minimal + "FREQUENCIES 0\n",
                " line 5, FREQUENCIES: '0' is not a frequency above 0");
    ExpectError(minimal + "FREQUENCIES 1e999\n", " line 5, FREQUENCIES: '1e999' is not");
    ExpectError(minimal + "FREQUENCIES 100Hz\n", " line 5, FREQUENCIES: '100Hz' is not");
    ExpectError(minimal + "FREQUENCY_RANGE 100 200 0 LIN\n", " line 5, FREQUENCY_RANGE: count");
    ExpectError(minimal + "FREQUENCY_RANGE 100 200 5 SQRT\n",
                " line 5, FREQUENCY_RANGE: the spacing");
    ExpectError(minimal + "BOUNDARY ALL Q 1 0\n", " line 5, BOUNDARY: the type 'Q'");
    ExpectError(minimal + "BOUNDARY ALL V 1\n", " line 5, BOUNDARY: expected");
    ExpectError(minimal + "CHIEF SOMETIMES\n", " line 5, CHIEF: expected");
    ExpectError(minimal + "DENSITY\n", " line 5, DENSITY: a value is missing");
    ExpectError(minimal + "POINT_EPS 0\n", " line 5, POINT_EPS: a value is out of range");
    ExpectError(minimal + "MATRIX_FILE binary\n", " line 5, MATRIX_FILE: a value is out of range");
    ExpectError(minimal + "FREQUENCY 100\n", " line 5, FREQUENCY: unknown key");
    ExpectError(minimal + std::string(40, 'K') + "\n", " line 5: the key is longer");
    ExpectError(minimal + "BOUNDARY cone V 1 0\n",
                " line 5, BOUNDARY: region 'cone' but no REGIONS");
    ExpectError(minimal + "ACCEPT SIZES\n",
                " line 5, ACCEPT: 'SIZES' is none of SIZE, SIDE and UNTRUSTED");
    ExpectError(minimal + "ACCEPT\n", " line 5, ACCEPT: expected SIZE, SIDE, UNTRUSTED or several");
}

TEST(JobFile, IncompleteJobsAndMissingInputsAreRefusedBeforeAnyWork) {
    ExpectError("FREQUENCIES 100\nBOUNDARY ALL V 1 0\nOUTPUT out\n", ", SURFACE: no surface file");
    ExpectError("SURFACE sphere.srf\nBOUNDARY ALL V 1 0\nOUTPUT out\n",
                ", FREQUENCIES: no frequency");
    ExpectError("SURFACE sphere.srf\nFREQUENCIES 1\nOUTPUT out\n", ", EXCITATION: neither");
    ExpectError("SURFACE sphere.srf\nFREQUENCIES 1\nBOUNDARY ALL V 1 0\n", ", OUTPUT: no output");
    ExpectError(minimal + "EXCITATION sphere.srf\n", " line 5, EXCITATION: an excitation file and");
    ExpectError(minimal + "FIELD_POINTS missing.ms\n", " line 5, FIELD_POINTS: cannot open");
    ExpectError("SURFACE nothing.srf\nFREQUENCIES 1\nBOUNDARY ALL V 1 0\nOUTPUT o\n",
                " line 1, SURFACE: cannot open");
}

TEST(JobFile, IncidentLinesAreSummedAndTheirFaultsNamed) {
    test::TempDir dir;
    const JobRead read = ReadJob(dir, minimal +
                                          "INCIDENT PLANE 1 0 0 0 2\nincident point 0.5 -1 0 0 -3\n"
                                          "INCIDENT Plane 0 1 1 0 0\n");
    ASSERT_EQ(read.status, 0) << read.console;
    ASSERT_EQ(read.job.incident.PlaneWaves().size(), 2u);
    ASSERT_EQ(read.job.incident.PointSources().size(), 1u);
    EXPECT_DOUBLE_EQ(read.job.incident.PlaneWaves()[0].direction.z, 1.0);  // normalised
    EXPECT_DOUBLE_EQ(read.job.incident.PlaneWaves()[1].amplitude.im, 1.0);
    EXPECT_DOUBLE_EQ(read.job.incident.PointSources()[0].amplitude.im, -1.0);
    EXPECT_DOUBLE_EQ(read.job.incident.PointSources()[0].position.z, -3.0);
    EXPECT_TRUE(ReadJob(dir, minimal).job.incident.Empty());

    ExpectError(minimal + "INCIDENT PLANE 1 0 0 0\n", " line 5, INCIDENT: expected: PLANE");
    ExpectError(minimal + "INCIDENT WAVE 1 0 0 0 1\n", " line 5, INCIDENT: the kind 'WAVE'");
    ExpectError(minimal + "INCIDENT POINT 1 0 0 x 1\n", " line 5, INCIDENT: 'x' is not a number");
    ExpectError(minimal + "INCIDENT PLANE 1 0 0 0 0\n", " line 5, INCIDENT: the direction is zero");
    ExpectError(minimal + "INCIDENT PLANE 1 0 1e300 1e300 0\n", " line 5, INCIDENT: the direction");
    ExpectError(minimal + "INCIDENT POINT nan 0 0 0 1\n",
                " line 5, INCIDENT: 'nan' is not a number");
}

TEST(JobFile, SurvivesGarbageAndReadsFromAFile) {
    test::TempDir dir;
    std::string garbage;
    for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    EXPECT_EQ(ReadJob(dir, garbage).status, -6);
    EXPECT_EQ(ReadJob(dir, minimal + std::string(100000, 'x') + "\n").status, -6);
    EXPECT_EQ(ReadJob(dir, "FREQUENCY_RANGE 1 2 100001 LIN\n").status, -6);

    test::WriteFile(dir.File("job.txt"), minimal);
    test::ConsoleCapture capture;
    SweepJob job;
    CJobFile jobFile;
    EXPECT_EQ(jobFile.Read(dir.File("job.txt").c_str(), job), 0) << capture.text;
    EXPECT_EQ(job.outputDirectory, dir.File("out"));
    EXPECT_EQ(jobFile.Read(dir.File("none.txt").c_str(), job), -3);
}

}  // namespace
