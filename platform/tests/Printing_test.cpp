// The printing connection: page formats and the printer's resolution,
// documents written as PDF files and PNG pages (read back through poppler
// and libpng), write failures that leave no trace, the test side's failed
// steps, and the two dialogs answered by scripts.
#include "platform/Printing.h"

#include "foundation/IOBase.h"
#include "platform/Png.h"
#include "platform/Port.h"
#include "platform/Shapes.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"
#include "platform/tests/PrintedFiles_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Printing::Destination;
using Printing::PageFormat;
using Printing::Paper;
using Printing::PrintSettings;
using Printing::Resolution;
using Printing::Session;
using Printing::Step;

class PrintingTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    Printing::ClearFailures();
    ASSERT_EQ(Printing::CreateSession(session_), Printing::kNoErr);
  }

  void TearDown() override {
    Printing::Release(session_);
    Printing::ClearFailures();
    UiTest::TearDown();
  }

  // Prints pages, each with a black bar at a different height, to the
  // file; the rasters as drawn. The code of EndDocument in `code`.
  std::vector<Surface::Pixels> PrintBars(Destination destination, const std::string& path, int pages,
                                         double dpi, int& code) {
    PageFormat format;
    format.resolution = Resolution{dpi, dpi};
    PrintSettings settings;
    settings.destination = destination;
    settings.path = path;
    std::vector<Surface::Pixels> drawn;
    EXPECT_EQ(Printing::BeginDocument(session_, &settings, &format), Printing::kNoErr);
    for (int page = 0; page < pages; ++page) {
      EXPECT_EQ(Printing::BeginPage(session_), Printing::kNoErr);
      Port::GrafPort* port = nullptr;
      EXPECT_EQ(Printing::GetPagePort(session_, port), Printing::kNoErr);
      if (port == nullptr) return drawn;
      Port::SetPort(port);
      Shapes::PaintRect(Geometry::SetRect(10, 10 + 20 * page, 200, 20 + 20 * page));
      drawn.push_back(*port->pixels);
      EXPECT_EQ(Printing::EndPage(session_), Printing::kNoErr);
    }
    code = Printing::EndDocument(session_);
    return drawn;
  }

  Session* session_ = nullptr;
};

TEST_F(PrintingTest, PageFormatsAndThePrintersResolution) {
  PageFormat format;
  format.paper = Paper::kUSLetter;
  ASSERT_EQ(Printing::SessionDefaultPageFormat(session_, &format), Printing::kNoErr);
  int width = 0;
  int height = 0;
  ASSERT_EQ(Printing::PageSize(format, width, height), Printing::kNoErr);
  EXPECT_EQ(width, 595);
  EXPECT_EQ(height, 842);

  int count = 0;
  Resolution r;
  ASSERT_EQ(Printing::PrinterResolutionCount(session_, count), Printing::kNoErr);
  EXPECT_EQ(count, 1);
  ASSERT_EQ(Printing::PrinterMaxSquareResolution(session_, r), Printing::kNoErr);
  EXPECT_EQ(r.horizontal, 600);
  EXPECT_EQ(r.vertical, 600);

  format.paper = Paper::kUSLetter;
  format.landscape = true;
  ASSERT_EQ(Printing::SetResolution(session_, &format, Resolution{288, 288}), Printing::kNoErr);
  bool changed = true;
  ASSERT_EQ(Printing::SessionValidatePageFormat(session_, &format, changed), Printing::kNoErr);
  EXPECT_FALSE(changed);
  ASSERT_EQ(Printing::PageSize(format, width, height), Printing::kNoErr);
  EXPECT_EQ(width, 792 * 4);
  EXPECT_EQ(height, 612 * 4);

  // The printer's 600 dpi would make a raster larger than a surface takes.
  format.resolution = Resolution{600, 40};
  ASSERT_EQ(Printing::SessionValidatePageFormat(session_, &format, changed), Printing::kNoErr);
  EXPECT_TRUE(changed);
  EXPECT_EQ(format.resolution.horizontal, 372);
  EXPECT_EQ(format.resolution.vertical, 72);
  format.resolution = Resolution{600, 600};
  EXPECT_EQ(Printing::PageSize(format, width, height), Printing::kInvalidObject);
}

TEST_F(PrintingTest, APdfHoldsEachRasterOneToOne) {
  ScratchFolder folder;
  const std::string path = folder / "bars.pdf";
  int code = 1;
  const std::vector<Surface::Pixels> drawn = PrintBars(Destination::kPdfFile, path, 2, 288, code);
  ASSERT_EQ(code, Printing::kNoErr);
  const PdfFacts facts = ReadPdf(path);
  EXPECT_EQ(facts.pages, 2);
  EXPECT_EQ(facts.pageSize.rfind("595 x 842 pts", 0), 0u) << facts.pageSize;
  const std::vector<Surface::Pixels> rendered = RenderPdf(path, 288);
  ASSERT_EQ(rendered.size(), 2u);
  for (std::size_t k = 0; k < drawn.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(rendered[k].Width(), 2380);
    EXPECT_TRUE(rendered[k] == drawn[k]);
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"bars.pdf"});
}

TEST_F(PrintingTest, PngPagesAreNumberedFromOne) {
  ScratchFolder folder;
  int code = 1;
  const std::vector<Surface::Pixels> drawn = PrintBars(Destination::kPngPages, folder / "bars.PNG", 2, 72, code);
  ASSERT_EQ(code, Printing::kNoErr);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"bars-1.png", "bars-2.png"}));
  for (std::size_t k = 0; k < drawn.size(); ++k) {
    Surface::Pixels page;
    ASSERT_TRUE(Png::Load(folder / ("bars-" + std::to_string(k + 1) + ".png"), page));
    EXPECT_TRUE(page == drawn[k]);
  }
}

// Nothing reaches the disk unless all of the document does.
TEST_F(PrintingTest, AFailedWriteLeavesTheFolderAsItWas) {
  ScratchFolder folder;
  std::ofstream(folder / "old.pdf") << "old";
  std::ofstream(folder / "old-1.png") << "old";
  int code = 0;
  Printing::FailStep(Step::kWriteFile, -34);
  PrintBars(Destination::kPdfFile, folder / "old.pdf", 1, 72, code);
  EXPECT_EQ(code, -34);
  EXPECT_EQ(IOBase::Result, -34);
  PrintBars(Destination::kPngPages, folder / "old", 2, 72, code);
  EXPECT_EQ(code, -34);
  Printing::ClearFailures();
  PrintBars(Destination::kPdfFile, folder / "missing/new.pdf", 1, 72, code);
  EXPECT_NE(code, Printing::kNoErr);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"old-1.png", "old.pdf"}));
  EXPECT_EQ(FileText(folder / "old.pdf"), "old");
  EXPECT_EQ(FileText(folder / "old-1.png"), "old");
  // The session goes on.
  PrintBars(Destination::kPdfFile, folder / "old.pdf", 1, 72, code);
  EXPECT_EQ(code, Printing::kNoErr);
  EXPECT_EQ(ReadPdf(folder / "old.pdf").pages, 1);
}

TEST_F(PrintingTest, CallsOutOfOrderAnswerOutOfScope) {
  Port::GrafPort other;
  Port::GrafPort* port = &other;
  EXPECT_EQ(Printing::BeginPage(session_), Printing::kOutOfScope);
  EXPECT_EQ(Printing::GetPagePort(session_, port), Printing::kOutOfScope);
  EXPECT_EQ(port, nullptr);
  EXPECT_EQ(Printing::EndPage(session_), Printing::kOutOfScope);
  EXPECT_EQ(Printing::EndDocument(session_), Printing::kOutOfScope);
  EXPECT_EQ(Printing::SessionError(session_), Printing::kOutOfScope);
  PageFormat format;
  PrintSettings settings;
  EXPECT_EQ(Printing::BeginDocument(session_, &settings, &format), Printing::kOutOfScope);  // no file
  EXPECT_EQ(Printing::BeginDocument(nullptr, &settings, &format), Printing::kInvalidObject);
}

TEST_F(PrintingTest, AFailedStepAnswersItsCodeAndDoesNothing) {
  Printing::FailStep(Step::kResolutionCount, Printing::kNotImplemented);
  int count = 5;
  EXPECT_EQ(Printing::PrinterResolutionCount(session_, count), Printing::kNotImplemented);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(Printing::SessionError(session_), Printing::kNotImplemented);

  Printing::FailStep(Step::kDefaultPageFormat, -50);
  PageFormat format;
  format.landscape = true;
  EXPECT_EQ(Printing::SessionDefaultPageFormat(session_, &format), -50);
  EXPECT_TRUE(format.landscape);

  Printing::FailStep(Step::kCreatePageFormat, -108);
  PageFormat* made = nullptr;
  EXPECT_EQ(Printing::CreatePageFormat(made), -108);
  EXPECT_EQ(made, nullptr);

  Printing::ClearFailures();
  EXPECT_EQ(Printing::PrinterResolutionCount(session_, count), Printing::kNoErr);
  EXPECT_EQ(count, 1);
  ASSERT_EQ(Printing::CreatePageFormat(made), Printing::kNoErr);
  Printing::Release(made);
  EXPECT_EQ(made, nullptr);
}

TEST_F(PrintingTest, PageSetupTakesPaperAndOrientationOnlyWithOK) {
  PageFormat format;
  bool accepted = true;
  ASSERT_TRUE(Headless::RunScript(std::string_view("item 5\nitem 8\nitem 2\n")));
  ASSERT_EQ(Printing::PageSetupDialog(session_, &format, accepted), Printing::kNoErr);
  EXPECT_FALSE(accepted);
  EXPECT_EQ(format.paper, Paper::kA4);
  EXPECT_FALSE(format.landscape);

  ASSERT_TRUE(Headless::RunScript(std::string_view("item 5\nitem 8\nitem 1\n")));
  ASSERT_EQ(Printing::PageSetupDialog(session_, &format, accepted), Printing::kNoErr);
  EXPECT_TRUE(accepted);
  EXPECT_EQ(format.paper, Paper::kUSLetter);
  EXPECT_TRUE(format.landscape);
}

TEST_F(PrintingTest, ThePrintDialogNamesTheFileThroughTheChooser) {
  ScratchFolder folder;
  const InFolder here(folder.Path());
  PageFormat format;
  PrintSettings settings;
  bool accepted = false;
  ASSERT_TRUE(Headless::RunScript(std::string_view("item 5\nitem 1\ntype pages\nitem 1\n")));
  ASSERT_EQ(Printing::PrintDialog(session_, &settings, &format, accepted), Printing::kNoErr);
  EXPECT_TRUE(accepted);
  EXPECT_EQ(settings.destination, Destination::kPngPages);
  EXPECT_EQ(settings.path, folder / "pages");

  // Cancelling the chooser cancels the print; the settings stay.
  ASSERT_TRUE(Headless::RunScript(std::string_view("item 4\nitem 1\nitem 2\n")));
  ASSERT_EQ(Printing::PrintDialog(session_, &settings, &format, accepted), Printing::kNoErr);
  EXPECT_FALSE(accepted);
  EXPECT_EQ(settings.destination, Destination::kPngPages);

  // Return takes the proposed name: the last one, as a PDF.
  ASSERT_TRUE(Headless::RunScript(std::string_view("item 4\nkey return\nkey return\n")));
  ASSERT_EQ(Printing::PrintDialog(session_, &settings, &format, accepted), Printing::kNoErr);
  EXPECT_TRUE(accepted);
  EXPECT_EQ(settings.destination, Destination::kPdfFile);
  EXPECT_EQ(settings.path, folder / "pages.pdf");
}

}  // namespace
