// The surfaces of the mesh tools as the surface check sees them: closed, one part, consistently
// oriented and already facing outward, so that "OUT" changes nothing and "IN" turns every element.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

std::string Tool(const std::string& name) { return std::string(KAVORAL_TOOLS_DIR) + "/" + name; }

}  // namespace

TEST(MeshToolSurfaces, PassTheSurfaceCheckUnchangedWithOutwardNormals) {
    test::TempDir dir;
    test::WriteConfig(dir.Path());
    const std::vector<std::vector<std::string>> tools = {
        {"icosphere", "1", "2", "mesh.srf"},
        {"cubesphere", "0.5", "3", "mesh.srf"},
        {"octantsphere", "2", "3", "mesh.srf"},
        {"octantsphere", "2", "3", "mesh.srf", "whole"}};
    for (const auto& call : tools) {
        const std::vector<std::string> arguments(call.begin() + 1, call.end());
        ASSERT_EQ(test::RunProgram(Tool(call[0]), dir.Path(), arguments).status, 0) << call[0];
        const test::RunResult out =
            test::RunKavoral(dir.Path(), {"-ch", "mesh.srf", "OUT", "checked.srf"});
        ASSERT_EQ(out.status, 0) << call[0] << out.output;
        EXPECT_NE(out.output.find("Ready\t0 elements flipped\t1 boundaries found\n"),
                  std::string::npos)
            << call[0];
        EXPECT_EQ(out.output.find("### Surface has been changed! ###"), std::string::npos)
            << call[0];
        const test::RunResult in =
            test::RunKavoral(dir.Path(), {"-ch", "mesh.srf", "IN", "checked.srf"});
        ASSERT_EQ(in.status, 0) << call[0] << in.output;
        EXPECT_NE(in.output.find("### Surface has been changed! ###"), std::string::npos)
            << call[0];
    }
}
