// The file header probe: what it reports for each kind of first block.
#include "Working/FileHandler/Probe.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Working/Exceptions/Exceptions.h"
#include "Working/FileHandler/NetworkWriter.h"
#include "Working/FileHandler/ParseTools.h"
#include "Working/KQmessage/KQML.h"
#include "Working/NeuralNets/TKohonenNetwork.h"
#include "support/TestSupport.h"

namespace {

std::string Probed(const std::string& path) {
  char scratch[kScratchSize];
  std::unique_ptr<TKQstructure> result(ProbeFileHeader(scratch, path.c_str()));
  return result->ToText();
}

TEST(ProbeFileHeader, DescribesTheFirstBlock) {
  testsupport::TempDir dir;
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"[FormatVersion = 1.0]\n\n[DataSet]\n[Rows = 3]\n[Inputs = 2]\n[ExpectedOutputs = Labels]\n"
       "[GeneratedOutputs = 0]\n[Error = 0]\n\n[Data]\n",
       "(data :rows 3 :inputs 2 :actual-outputs -1 :calc-outputs 0 :errors 0)"},
      // Only the header is read: what follows it does not matter.
      {"[dataset] [Inputs = 4] [ExpectedOutputs = 1] [GeneratedOutputs = Labels] [Error = 2] "
       "[Rows = 7] garbage ] [",
       "(data :rows 7 :inputs 4 :actual-outputs 1 :calc-outputs -1 :errors 2)"},
      {"[DataSet] [Inputs = 1] [Data]",
       "(data :rows -1 :inputs 1 :actual-outputs 0 :calc-outputs 0 :errors 0)"},
      {"[DataSet] [ExpectedOutputs = 1] [Inputs = 2] [Rows = 1]", "(error :type bad-header)"},
      {"[DataSet] [Rows = 1 Inputs = 2]", "(error :type bad-header)"},
      {"/* a map */ [network] anything", "network"},  // no keys: printed as an atom
      {"[Weights]", "(error :type unknown-header :header Weights)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Probed(dir.Write("file.txt", c.text)), c.expected) << c.text;
  }
}

TEST(ProbeFileHeader, UnreadablePathIsAFileReadError) {
  testsupport::TempDir dir;
  EXPECT_EQ(Probed(dir.File("missing.dat")), "(error :type file-read-error)");
  EXPECT_EQ(Probed(dir.path()), "(error :type file-read-error)");  // a directory
}

TEST(ProbeFileHeader, NetworkFilesAsWrittenAreUnknownHeaders) {
  testsupport::TempDir dir;
  const std::string path = dir.File("map.net");
  const int sizes[] = {2, 2};
  TKohonenNetwork net(3, 2, sizes);
  char scratch[kScratchSize];
  SaveNetwork(scratch, path.c_str(), &net, nullptr);
  EXPECT_EQ(Probed(path), "(error :type unknown-header :header NeuralNetwork)");
}

TEST(ProbeFileHeader, MalformedStartsThrow) {
  testsupport::TempDir dir;
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "start of block expected"},
      {"DataSet", "start of block expected"},
      {"[DataSet = 1]", "start of block expected"},
      {"[FormatVersion = 2.0] [DataSet]", "Illegal Format Version"},
      {"[DataSet] [Inputs = Labels]", "No labels in inputs"},
      {"[DataSet] [Rows = x]", "integer-expected"},
  };
  for (const auto& c : cases) {
    const std::string path = dir.Write("bad.txt", c.text);
    char scratch[kScratchSize];
    try {
      delete ProbeFileHeader(scratch, path.c_str());
      ADD_FAILURE() << c.text << ": no error";
    } catch (const FileTools::Error& error) {
      EXPECT_EQ(error.message, c.message) << c.text;
      EXPECT_EQ(error.stream, nullptr);
    }
  }
}

}  // namespace
