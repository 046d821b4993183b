#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

#include "model/datafile.h"
#include "model/samples.h"
#include "tests/file_text.h"

using fem::DataFileError;
using fem::Model;

namespace {

using testfiles::ReadWhole;

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "impactframe_" + std::to_string(getpid()) + "_" + name;
}

// A model the reads below must never touch when they fail.
Model Sentinel() {
    Model m;
    fem::BuildSample(m, 3);
    return m;
}

}  // namespace

TEST(DataFileWriter, Sample1IsExactlyTheListedText) {
    Model m;
    fem::BuildSample(m, 1);
    EXPECT_EQ(fem::StructDataText(m), ReadWhole(std::string(TEST_DATA_DIR) + "/sample1.txt"));
    fem::BuildSample(m, 2);
    const std::string s2 = fem::StructDataText(m);
    // Second degree-of-freedom line of node 2 (line 1 + 7 + 7 + 1 + 2 = 18).
    EXPECT_NE(s2.find("2,100,0,0\r\np,0\r\npf,-1\r\n"), std::string::npos);
}

TEST(DataFileWriter, NumberNotation) {
    EXPECT_EQ(fem::FormatFileNumber(7.86E-06), "7.86E-06");
    EXPECT_EQ(fem::FormatFileNumber(0.0004), "0.0004");
    EXPECT_EQ(fem::FormatFileNumber(21000), "21000");
    EXPECT_EQ(fem::FormatFileNumber(-1.5), "-1.5");
    EXPECT_EQ(fem::FormatFileNumber(1e20), "1E+20");
    EXPECT_EQ(fem::FormatFileNumber(0.1), "0.1");
    EXPECT_EQ(fem::FormatFileNumber(-0.0), "0");
    EXPECT_EQ(fem::FormatFileNumber(123456789012345.0), "123456789012345");
}

TEST(DataFile, RoundTripKeepsEnteredData) {
    Model m;
    fem::BuildSample(m, 4);
    fem::NodeRecord n = m.GetNode(1);
    n.Coord = {100.25, -0.001, 3e-7};
    n.BcCode = {"u", "p", "pf", "u", "p", "pf"};
    n.FixedDisp = {0.5, 0, 0, -0.02, 0, 0};
    n.LoadValue = {0, 12.5, -3, 0, 1e5, 2};
    m.PutNode(1, n);
    fem::ElementRecord e = m.GetElement(5);
    e.Young = 7000.5;
    e.Shear = 2700;
    e.Density = 2.7E-06;
    e.CrossSection.Diameter = 12.75;
    m.PutElement(5, e);

    const std::string path = TempPath("roundtrip.txt");
    std::string werr;
    ASSERT_TRUE(fem::StructDataWriteFile(m, path, &werr)) << werr;
    Model r;
    DataFileError err;
    ASSERT_TRUE(fem::StructDataReadFile(r, path, &err)) << err.Message();
    ASSERT_EQ(r.NodeCount(), m.NodeCount());
    ASSERT_EQ(r.ElementCount(), m.ElementCount());
    for (int i = 0; i < m.NodeCount(); ++i) {
        EXPECT_EQ(r.Nodes[i].Coord, m.Nodes[i].Coord);
        EXPECT_EQ(r.Nodes[i].BcCode, m.Nodes[i].BcCode);
        EXPECT_EQ(r.Nodes[i].FixedDisp, m.Nodes[i].FixedDisp);
        EXPECT_EQ(r.Nodes[i].LoadValue, m.Nodes[i].LoadValue);
    }
    for (int k = 0; k < m.ElementCount(); ++k) {
        EXPECT_EQ(r.Elements[k].EndNode, m.Elements[k].EndNode);
        EXPECT_EQ(r.Elements[k].Young, m.Elements[k].Young);
        EXPECT_EQ(r.Elements[k].CrossSection.Diameter, m.Elements[k].CrossSection.Diameter);
        EXPECT_EQ(r.Elements[k].Length, m.Elements[k].Length);
    }
    // The file gives "u" dofs their complex prescribed displacement and "p" dofs their
    // complex load; "pf" dofs keep (0, 0).
    EXPECT_EQ(r.Nodes[1].FixedDispC[0].re, 0.5);
    EXPECT_EQ(r.Nodes[1].FixedDispC[3].re, -0.02);
    EXPECT_EQ(r.Nodes[1].LoadC[1].re, 12.5);
    EXPECT_EQ(r.Nodes[1].LoadC[4].re, 1e5);
    EXPECT_EQ(r.Nodes[1].LoadC[2].re, 0.0);
    EXPECT_EQ(r.Nodes[1].LoadC[1].im, 0.0);
    EXPECT_EQ(fem::StructDataText(r), fem::StructDataText(m));
    std::remove(path.c_str());
}

TEST(DataFileReader, AcceptedNotations) {
    Model m;
    DataFileError err;
    // Capital codes, blanks around fields, node numbers that are not 0..N-1, a
    // "pf" of size 0 (a unit step), LF-only line ends, fields spread over lines.
    const std::string text =
        " 2 , 1 \n"
        "5, 0,0,0\nU,0\nu,0\nU , 0\nu,0\nu,0\nu,0\n"
        "6,1.5E+2,0,0\nPF,0\np,0\nPf,-2.5\np,0\np,0\np,0\n"
        "9,0,1\n2.1e4,8000\n7.86E-06,10\n";
    ASSERT_TRUE(fem::StructDataReadText(m, text, "t", &err)) << err.Message();
    EXPECT_EQ(m.Nodes[0].BcCode[0], "u");
    EXPECT_EQ(m.Nodes[1].BcCode[0], "pf");
    EXPECT_EQ(m.Nodes[1].LoadValue[0], 1.0);
    EXPECT_EQ(m.Nodes[1].BcCode[2], "pf");
    EXPECT_EQ(m.Nodes[1].LoadValue[2], -2.5);
    EXPECT_EQ(m.Nodes[1].Coord[0], 150.0);
    EXPECT_EQ(m.Elements[0].Young, 21000.0);
    EXPECT_EQ(m.Elements[0].Length, 150.0);

    ASSERT_TRUE(fem::StructDataReadText(m, "0,0\r\n", "t", &err));
    EXPECT_EQ(m.NodeCount(), 0);
    EXPECT_EQ(m.ElementCount(), 0);
}

TEST(DataFileReader, BadInputFailsWithItsLineAndLeavesTheModel) {
    struct Case {
        const char* name;
        std::string text;
        int line;             // expected line of the failure
        const char* expects;  // part of the "expected" text
    };
    const std::string node0 = "0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n";
    const std::string node1 = "1,100,0,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\npf,1\r\n";
    const std::string mat = "21000,8000,7.86E-06,10\r\n";
    const Case cases[] = {
        {"empty file", "", 1, "node count"},
        {"only blanks", "  \r\n\r\n", 3, "node count"},
        {"negative count", "-1,0\r\n", 1, "node count"},
        {"count beyond any int", "3000000000,0\r\n", 1, "node count"},
        {"count above 32767 then end of file", "32768,0\r\n", 2, "number of node 0"},
        {"huge counts then end of file", "32767,32767\r\n", 2, "number of node 0"},
        {"non-numeric coordinate", "2,1\r\n0,0,abc,0\r\n", 2, "y coordinate of node 0"},
        {"truncated node", "2,1\r\n" + node0 + "1,100,0,0\r\np,0\r\n", 11,
         "constraint code of Uy of node 1"},
        {"unknown code", "2,1\r\n" + node0.substr(0, 9) + "x,0\r\n", 3, "constraint code of Ux"},
        {"NaN value", "2,1\r\n0,nan,0,0\r\n", 2, "x coordinate"},
        {"infinite value", "2,1\r\n0,1e400,0,0\r\n", 2, "x coordinate"},
        {"hex value", "2,1\r\n0,0x10,0,0\r\n", 2, "x coordinate"},
        {"fractional node number", "2,1\r\n" + node0 + node1 + "0,0.5,1\r\n" + mat, 16,
         "first node of element 0"},
        {"unknown node", "2,1\r\n" + node0 + node1 + "0,0,2\r\n" + mat, 16,
         "second node of element 0"},
        {"equal nodes", "2,1\r\n" + node0 + node1 + "0,1,1\r\n" + mat, 17, "two different nodes"},
        {"zero density", "2,1\r\n" + node0 + node1 + "0,0,1\r\n21000,8000,0,10\r\n", 17,
         "usable values"},
        {"negative density", "2,1\r\n" + node0 + node1 + "0,0,1\r\n21000,8000,-1,10\r\n", 17,
         "usable values"},
        {"zero diameter", "2,1\r\n" + node0 + node1 + "0,0,1\r\n21000,8000,7.86E-06,0\r\n", 17,
         "usable values"},
        {"coincident nodes",
         "2,1\r\n" + node0 + "1,0,0,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\n0,0,1\r\n" + mat,
         17, "usable values"},
        {"elements without nodes", "0,1\r\n0,0,1\r\n" + mat, 2, "no element"},
        {"binary garbage", std::string("\x7f\x45\x4c\x46\x02\x01\x01\x00\x00,\x01\xff", 12), 1,
         "node count"},
        {"over-long field", "2," + std::string(100000, '9') + "\r\n", 1, "element count"},
    };
    for (const Case& c : cases) {
        Model m = Sentinel();
        DataFileError err;
        EXPECT_FALSE(fem::StructDataReadText(m, c.text, "bad.txt", &err)) << c.name;
        EXPECT_EQ(err.line, c.line) << c.name << ": " << err.Message();
        EXPECT_NE(err.expected.find(c.expects), std::string::npos)
            << c.name << ": " << err.Message();
        EXPECT_EQ(err.Message().rfind("bad.txt: line " + std::to_string(c.line) + ": expected ", 0),
                  0u)
            << c.name << ": " << err.Message();
        EXPECT_EQ(m.NodeCount(), 5) << c.name << " must leave the model untouched";
        EXPECT_EQ(m.ElementCount(), 4) << c.name;
    }
}

// The same failures told field by field, for messages in other languages.
TEST(DataFileReader, FailuresNameTheFieldItsOwnerAndTheProblem) {
    using fem::DataField;
    using fem::ReadProblem;
    struct Case {
        std::string text;
        ReadProblem problem;
        DataField kind;
        int node, element, index;
    };
    const std::string node0 = "0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n";
    const std::string node1 = "1,100,0,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\npf,1\r\n";
    const std::string head = "2,1\r\n" + node0 + node1;
    const Case cases[] = {
        {"", ReadProblem::Missing, DataField::NodeCount, -1, -1, -1},
        {"2,x\r\n", ReadProblem::NotAWholeNumber, DataField::ElementCount, -1, -1, -1},
        {"2,1\r\n0,0,abc,0\r\n", ReadProblem::NotANumber, DataField::Coordinate, 0, -1, 1},
        {"2,1\r\n" + node0 + "1,100,0,0\r\np,0\r\nq,0\r\n", ReadProblem::NotACode,
         DataField::ConstraintCode, 1, -1, 1},
        {"2,1\r\n" + node0 + "1,1,1,1\r\np,0\r\np,0\r\np,z\r\n", ReadProblem::NotANumber,
         DataField::DofValue, 1, -1, 2},
        {head + "0,0,7\r\n", ReadProblem::NotAWholeNumber, DataField::SecondNode, -1, 0, -1},
        {head + "0,0,1\r\n21000,8000,w\r\n", ReadProblem::NotANumber, DataField::Material, -1, 0,
         2},
        {head + "0,1,1\r\n21000,8000,1,10\r\n", ReadProblem::SameNodes, DataField::SecondNode, 1, 0,
         -1},
        {head + "0,0,1\r\n21000,8000,0,10\r\n", ReadProblem::UnusableElement, DataField::Material,
         -1, 0, -1},
        {head + "0,0,1\r\n21000,8000,1,10\r\nmore\r\n", ReadProblem::TextAfterEnd,
         DataField::EndAfterElements, -1, -1, -1},
        {"0,1\r\n0,0,1\r\n", ReadProblem::NoNodes, DataField::ElementNumber, -1, 0, -1},
        {"2," + std::string(300, '9'), ReadProblem::TooLong, DataField::ElementCount, -1, -1, -1},
    };
    for (const Case& c : cases) {
        Model m;
        DataFileError err;
        ASSERT_FALSE(fem::StructDataReadText(m, c.text, "bad.txt", &err)) << c.text;
        EXPECT_EQ(err.problem, c.problem) << err.Message();
        EXPECT_EQ(err.field.kind, c.kind) << err.Message();
        EXPECT_EQ(err.field.node, c.node) << err.Message();
        EXPECT_EQ(err.field.element, c.element) << err.Message();
        EXPECT_EQ(err.field.index, c.index) << err.Message();
    }
    DataFileError err;
    Model m;
    ASSERT_FALSE(fem::StructDataReadText(m, head + "0,0,9", "bad.txt", &err));
    EXPECT_EQ(err.high, 1);
    EXPECT_EQ(err.Message(),
              "bad.txt: line 16: expected the second node of element 0 (a whole number from 0 to "
              "1), found \"9\"");
    ASSERT_FALSE(fem::StructDataReadFile(m, TempPath("does_not_exist.txt"), &err));
    EXPECT_EQ(err.problem, ReadProblem::CannotOpen);
    EXPECT_EQ(err.systemError, ENOENT);
}

TEST(DataFileReader, MissingFileAndHugeFile) {
    Model m = Sentinel();
    DataFileError err;
    EXPECT_FALSE(fem::StructDataReadFile(m, TempPath("does_not_exist.txt"), &err));
    EXPECT_EQ(err.line, 0);
    EXPECT_NE(err.Message().find("does_not_exist.txt"), std::string::npos);

    // 100 MB of blank lines: read through without holding it, then "end of file".
    const std::string path = TempPath("huge.txt");
    {
        std::ofstream out(path, std::ios::binary);
        const std::string block(1 << 20, '\n');
        for (int i = 0; i < 100; ++i) out << block;
    }
    EXPECT_FALSE(fem::StructDataReadFile(m, path, &err));
    EXPECT_NE(err.found.find("end of file"), std::string::npos);
    EXPECT_EQ(m.NodeCount(), 5);
    std::remove(path.c_str());
}

TEST(DataFileWriter, FailedWriteKeepsTheExistingFile) {
    Model m;
    fem::BuildSample(m, 1);
    std::string err;
    EXPECT_FALSE(fem::StructDataWriteFile(m, TempPath("no_such_dir/x/model.txt"), &err));
    EXPECT_NE(err.find("model.txt"), std::string::npos);
    fem::DataFileWriteError why;
    EXPECT_FALSE(fem::StructDataWriteFile(m, TempPath("no_such_dir/x/model.txt"), &why));
    EXPECT_EQ(why.Message(), err);
    EXPECT_EQ(why.step, fem::WriteStep::CreateTemporary);
    EXPECT_EQ(why.systemError, ENOENT);
    Model bad = m;
    bad.Elements[1].CrossSection.Diameter = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(fem::StructDataWriteFile(bad, TempPath("bad.txt"), &why));
    EXPECT_EQ(why.step, fem::WriteStep::Unwritable);
    EXPECT_EQ(why.field.kind, fem::DataField::Material);
    EXPECT_EQ(why.field.element, 1);
    EXPECT_EQ(why.field.index, 3);
    EXPECT_EQ(why.value, "inf");

    // A target that is a directory cannot be replaced; nothing is left behind.
    const std::string dir = TempPath("a_dir");
    std::remove(dir.c_str());
    ASSERT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
    EXPECT_FALSE(fem::StructDataWriteFile(m, dir, &err));
    std::ifstream left(dir + ".writing");
    EXPECT_FALSE(left.good());

    // Writing over an existing file replaces it as a whole.
    const std::string path = TempPath("over.txt");
    { std::ofstream(path) << "old"; }
    ASSERT_TRUE(fem::StructDataWriteFile(m, path, &err));
    EXPECT_EQ(ReadWhole(path), fem::StructDataText(m));
    std::remove(path.c_str());
}
