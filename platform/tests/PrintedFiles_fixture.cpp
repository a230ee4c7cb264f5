#include "platform/tests/PrintedFiles_fixture.h"

#include "platform/Png.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
  char pattern[] = "/tmp/mereth-print-XXXXXX";
  EXPECT_NE(mkdtemp(pattern), nullptr);
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::vector<std::string> ScratchFolder::Names() const {
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

InFolder::InFolder(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }

InFolder::~InFolder() { fs::current_path(previous_); }

namespace {

std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  std::array<char, 512> chunk;
  while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), pipe) != nullptr) out += chunk.data();
  pclose(pipe);
  return out;
}

std::string Field(const std::string& text, const std::string& key) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(key, 0) != 0) continue;
    const std::size_t start = line.find_first_not_of(' ', key.size());
    return start == std::string::npos ? std::string() : line.substr(start);
  }
  return {};
}

}  // namespace

PdfFacts ReadPdf(const std::string& path) {
  const std::string info = Output("pdfinfo '" + path + "' 2>/dev/null");
  PdfFacts facts;
  const std::string pages = Field(info, "Pages:");
  if (!pages.empty()) facts.pages = std::atoi(pages.c_str());
  facts.pageSize = Field(info, "Page size:");
  return facts;
}

std::vector<Surface::Pixels> RenderPdf(const std::string& path, int dpi) {
  ScratchFolder out;
  const std::string command =
      "pdftocairo -png -r " + std::to_string(dpi) + " '" + path + "' '" + (out / "page") + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  std::vector<Surface::Pixels> pages;
  for (const std::string& name : out.Names()) {
    Surface::Pixels page;
    if (!Png::Load(out / name, page)) return {};
    pages.push_back(std::move(page));
  }
  return pages;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}
