// The option reference for translators names every option word that the
// parsers of both programs accept, and the README links to it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/standardoptions.h"
#include "extractor/params.h"
#include "optimizer/cmdline.h"

namespace {

std::string ReadSourceFile(const std::string& name) {
  std::ifstream in(std::string(KV_SOURCE_DIR) + "/" + name, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The word stands as code in the text: `-d` or `-script FILE`, not merely
// inside a longer word such as `-del_lines_trash`.
bool Documents(const std::string& doc, const std::string& word) {
  return doc.find("`" + word + "`") != std::string::npos || doc.find("`" + word + " ") != std::string::npos;
}

TEST(OptionReference, NamesEveryOptionWordOfBothParsers) {
  const std::string doc = ReadSourceFile("docs/options.md");
  ASSERT_FALSE(doc.empty()) << "docs/options.md is missing";
  ASSERT_FALSE(KorvaneOptionWords().empty());
  ASSERT_FALSE(VelloranOptionWords().empty());
  std::vector<std::string> words = KorvaneOptionWords();
  words.insert(words.end(), VelloranOptionWords().begin(), VelloranOptionWords().end());
  words.insert(words.end(), StandardOptionWords().begin(), StandardOptionWords().end());
  for (const std::string& word : words) EXPECT_TRUE(Documents(doc, word)) << word << " is not in docs/options.md";
}

TEST(OptionReference, IsLinkedFromTheReadme) {
  EXPECT_NE(ReadSourceFile("README.md").find("(docs/options.md)"), std::string::npos);
}

}  // namespace
