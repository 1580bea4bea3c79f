// A catalogue-sized parser must also take a very large document whole.
#include "XmlDocument.h"
#include "support/test_media.h"

#include <gtest/gtest.h>
#include <fstream>

using namespace vxmtest;

namespace {
void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}
}  // namespace

TEST(XmlHostileInput, HundredMegabyteFileLoadsWhole)
{
    CTempDir dir;
    const std::string row = "<profile name=\"p\" id=\"1\"><v>x &amp; y</v></profile>\n";
    std::string text = "<?xml?><profiles>";
    text.reserve(100u << 20);
    std::size_t rows = 0;
    for (; text.size() < (100u << 20); ++rows)
        text += row;
    text += "</profiles>";
    WriteFile(dir.File("big.xml"), text);
    CXmlDocument doc(dir.File("big.xml"), XML_SOURCE_PATH);
    EXPECT_EQ(doc.GetStatus(), XML_PARSE_OK);
    EXPECT_EQ(doc.GetRoot()->GetChildCount(), rows);
}
