// The print job on the printing connection's test side: job names, the
// alerts of failed preparation steps, refused dialogs, the page's
// resolution and scale, drawing on the page; and text buffers printed end
// to end as PDF files and PNG pages, with write failures that leave no
// trace.
#include "shell/Printer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "platform/Beep.h"
#include "platform/Fonts.h"
#include "platform/Png.h"
#include "platform/Printing.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"
#include "shell/ModWindow.h"
#include "shell/PrinterLayout.h"
#include "shell/tests/Printer_fixture.h"

namespace {

using Printing::Step;

class PrinterJobTest : public PrinterTest {
 protected:
  // A text buffer of numbered lines "Line 1 ...".
  static BufferText::TextBuffer Numbered(int lines) {
    BufferText::TextBuffer text = Buffer::Create("Report", Buffer::kText);
    for (int n = 1; n <= lines; ++n) {
      const std::string line = "Line " + std::to_string(n) + ": the quick brown fox jumps over the lazy dog";
      BufferText::Append(text, std::span<const char>(line.c_str(), line.size() + 1));
    }
    return text;
  }

  // NewJob answered, then the whole buffer printed with the defaults;
  // what the alerts said.
  std::string Print(BufferText::TextBuffer text, bool png, const std::string& name) {
    EXPECT_TRUE(NewJob(png, name));
    testing::internal::CaptureStderr();
    Printer::PrintBuffer(text, Printer::Defaults.fontNumber, Printer::Defaults.fontSize);
    return testing::internal::GetCapturedStderr();
  }
};

TEST_F(PrinterJobTest, AJobTakesTheFirstFreeName) {
  Buffer::Create("PrintJob0", Buffer::kSingleBlock);
  Buffer::Create("PrintJob1", Buffer::kText);
  ASSERT_TRUE(NewJob(false, "a.pdf"));
  ASSERT_NE(Printer::MainJob, nullptr);
  EXPECT_STREQ(Printer::MainJob->name, "PrintJob2");
  EXPECT_EQ(Buffer::GetOrganization(Buffer::Lookup("PrintJob2")), Buffer::kSingleBlock);
  Printer::CloseJob();
  // The job lives on, without its connection.
  EXPECT_EQ(Printer::MainJob->connection, nullptr);
  EXPECT_NE(Printer::MainJob->pageFormat, nullptr);
  ASSERT_TRUE(NewJob(false, "b.pdf"));
  EXPECT_STREQ(Printer::MainJob->name, "PrintJob2");
}

struct FailedStep {
  Step step;
  const char* alert;
};

TEST_F(PrinterJobTest, EachFailedStepShowsItsAlertAndLeavesTheJobUsable) {
  const FailedStep cases[] = {
      {Step::kCreateSession, "Error (-50) creating print session."},
      {Step::kCreatePageFormat, "Error (-50) creating page format."},
      {Step::kDefaultPageFormat, "Error (-50) setting default page format."},
      {Step::kValidatePageFormat, "Error (-50) page format validation failed."},
      {Step::kCreatePrintSettings, "Error (-50) creating print settings."},
  };
  for (const FailedStep& c : cases) {
    SCOPED_TRACE(c.alert);
    Printer::Shutdown();
    Printing::FailStep(c.step, -50);
    const int beeps = Beep::Count();
    // The print settings are made after the page setup.
    if (c.step == Step::kCreatePrintSettings) {
      ASSERT_TRUE(Headless::RunScript(std::string_view("item 1\n")));
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Printer::NewJob());
    EXPECT_NE(testing::internal::GetCapturedStderr().find(c.alert), std::string::npos);
    EXPECT_GT(Beep::Count(), beeps);
    EXPECT_EQ(Printer::err, -50);
    Printing::ClearFailures();
    Headless::ClearSteps();
    EXPECT_TRUE(NewJob(false, "after.pdf"));
    Printer::CloseJob();
  }
}

TEST_F(PrinterJobTest, ARefusedDialogClosesTheJob) {
  ASSERT_TRUE(Headless::RunScript(std::string_view("item 2\n")));
  EXPECT_FALSE(Printer::NewJob());
  EXPECT_FALSE(Printer::MainJob->pageSetupAccepted);
  EXPECT_EQ(Printer::MainJob->connection, nullptr);
  // The page setup accepted, the print dialog refused.
  ASSERT_TRUE(Headless::RunScript(std::string_view("item 1\nitem 2\n")));
  EXPECT_FALSE(Printer::NewJob());
  EXPECT_TRUE(Printer::MainJob->pageSetupAccepted);
  EXPECT_FALSE(Printer::MainJob->printAccepted);
  EXPECT_EQ(Printer::MainJob->connection, nullptr);
  // Page Setup... closes the job either way.
  ASSERT_TRUE(Headless::RunScript(std::string_view("item 8\nitem 1\n")));
  Printer::PageSetupDialog();
  EXPECT_TRUE(Printer::MainJob->pageFormat->landscape);
  EXPECT_EQ(Printer::MainJob->connection, nullptr);
}

TEST_F(PrinterJobTest, ThePagePrintsAt288DpiAndScale4OrAtScale1WithoutResolutions) {
  ASSERT_TRUE(NewJob(false, "scale.pdf"));
  Graphics::GraphicsWindow screen = MakeWindow(10, 40, 300, 200);
  ASSERT_TRUE(Printer::StartPage(screen));
  Graphics::GraphicsWindow page = Printer::PageWindow();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(Graphics::GetScaleFactor(page), 4);
  EXPECT_EQ(Graphics::GetBitplanes(page), Graphics::GetBitplanes(screen));
  EXPECT_EQ(Graphics::GetOutputDevice(page), Graphics::kPrinter);
  EXPECT_EQ(page->platform->tag[0], 'W');
  EXPECT_EQ((std::vector<int>{page->left, page->top, page->right, page->bottom}),
            (std::vector<int>{0, 0, 2380, 3368}));
  EXPECT_EQ(Printer::MainJob->pageFormat->resolution.horizontal, 288);
  Printer::ClosePage();
  EXPECT_EQ(Printer::PageWindow(), nullptr);

  Printing::FailStep(Step::kResolutionCount, Printing::kNotImplemented);
  ASSERT_TRUE(NewJob(false, "scale1.pdf"));
  Printer::MainJob->pageFormat->resolution = Printing::Resolution{};
  ASSERT_TRUE(Printer::StartPage(screen));
  page = Printer::PageWindow();
  EXPECT_EQ(Graphics::GetScaleFactor(page), 1);
  EXPECT_EQ(page->right, 595);
  Printer::ClosePage();
  Printer::CloseJob();
  EXPECT_EQ(ReadPdf(folder / "scale1.pdf").pages, 1);
}

TEST_F(PrinterJobTest, AFailedPageBracketEndsQuietlyWithoutAFile) {
  for (const Step step : {Step::kBeginDocument, Step::kBeginPage, Step::kGetPagePort}) {
    Printing::FailStep(step, -50);
    ASSERT_TRUE(NewJob(false, "none.pdf"));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Printer::StartPage(nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Printer::PageWindow(), nullptr);
    EXPECT_FALSE(Printer::MainJob->documentOpen);
    Printer::CloseJob();
    Printing::ClearFailures();
  }
  EXPECT_TRUE(folder.Names().empty());
}

TEST_F(PrinterJobTest, WindowsOnThePrinterDrawOnTheOpenPageOnly) {
  Graphics::GraphicsWindow screen = MakeWindow(10, 40, 300, 200);
  Graphics::SetOutputDevice(screen, Graphics::kPrinter, "");
  Graphics::PortSave save;
  EXPECT_FALSE(Graphics::SetPort(screen, save));
  ASSERT_TRUE(NewJob(false, "drawn.pdf"));
  ASSERT_TRUE(Printer::StartPage(screen));
  ASSERT_TRUE(Graphics::SetPort(screen, save));
  EXPECT_EQ(Port::GetPort(), Printer::PrintingPort());
  Graphics::EndPort(screen, save);
  Printer::ClosePage();
  EXPECT_EQ(Printer::PrintingPort(), nullptr);
  EXPECT_FALSE(Graphics::SetPort(screen, save));
}

TEST_F(PrinterJobTest, OnlyTextBuffersArePrinted) {
  Buffer::NamedBuffer block = Buffer::Create("Block", Buffer::kSingleBlock);
  EXPECT_NE(Print(block, false, "block.pdf").find("Only text buffers can be printed."), std::string::npos);
  EXPECT_TRUE(folder.Names().empty());
}

// 150 lines in Courier 12 at 288 dpi on A4 with the start-up margins.
TEST_F(PrinterJobTest, ATextBufferBecomesThePagesTheLayoutPredicts) {
  BufferText::TextBuffer text = Numbered(150);
  EXPECT_EQ(Print(text, false, "report.pdf"), "");
  const Fonts::FontInfo font = Fonts::GetFontInfo(Fonts::kCourier, 12 * 4, 0);
  const Geometry::Rect area = PrinterLayout::MarginRect(Geometry::SetRect(0, 0, 2380, 3368), 0.05, 0.05, 0.125, 0.05);
  const int perPage = PrinterLayout::LinesPerPage(area, font.ascent + font.descent);
  ASSERT_GT(perPage, 0);
  const int pages = (150 + perPage - 1) / perPage;
  const PdfFacts facts = ReadPdf(folder / "report.pdf");
  EXPECT_EQ(facts.pages, pages);
  EXPECT_EQ(facts.pageSize.rfind("595 x 842 pts", 0), 0u) << facts.pageSize;

  EXPECT_EQ(Print(text, true, "report.png"), "");
  const std::vector<Surface::Pixels> rendered = RenderPdf(folder / "report.pdf", 288);
  ASSERT_EQ(rendered.size(), static_cast<std::size_t>(pages));
  for (int n = 1; n <= pages; ++n) {
    SCOPED_TRACE(n);
    Surface::Pixels png;
    ASSERT_TRUE(Png::Load(folder / ("report-" + std::to_string(n) + ".png"), png));
    EXPECT_TRUE(png == rendered[static_cast<std::size_t>(n - 1)]);
    if (n == 1) {
      EXPECT_TRUE(MatchesGolden(png, "printed_page_1"));
    }
  }
}

// Tests run as root: a folder without write permission would still take
// the file, so the failures come from the test side and a missing folder.
TEST_F(PrinterJobTest, ADocumentThatCannotBeWrittenIsReportedAndLeavesNoFile) {
  BufferText::TextBuffer text = Numbered(3);
  std::ofstream(folder / "kept.pdf") << "earlier";
  std::ofstream(folder / "kept-1.png") << "earlier";
  Printing::FailStep(Step::kWriteFile, -34);
  for (const bool png : {false, true}) {
    const std::string alert = Print(text, png, png ? "kept.png" : "kept.pdf");
    EXPECT_NE(alert.find("Printed document not written"), std::string::npos) << alert;
  }
  Printing::ClearFailures();
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"kept-1.png", "kept.pdf"}));
  EXPECT_EQ(FileText(folder / "kept.pdf"), "earlier");
  EXPECT_EQ(FileText(folder / "kept-1.png"), "earlier");

  // The folder of the file is gone when the document ends.
  ASSERT_TRUE(NewJob(false, "lost.pdf"));
  Printer::MainJob->printSettings->path = folder / "gone/lost.pdf";
  testing::internal::CaptureStderr();
  Printer::PrintBuffer(text, Printer::Defaults.fontNumber, Printer::Defaults.fontSize);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Printed document not written"), std::string::npos);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"kept-1.png", "kept.pdf"}));

  // The job goes on.
  EXPECT_EQ(Print(text, false, "kept.pdf"), "");
  EXPECT_EQ(ReadPdf(folder / "kept.pdf").pages, 1);
}

}  // namespace
