#include "shell/PrinterLayout.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

namespace PrinterLayout {

namespace {

// The state of one page being set.
struct Page {
  const Geometry::Rect& area;
  int lineHeight;
  int linesPerPage;
  PageSink& sink;
  int baseV;
  int printed = 0;

  bool Full() const { return printed >= linesPerPage; }

  void Print(std::string_view text) {
    baseV += lineHeight;
    ++printed;
    if (!text.empty()) sink.DrawLine(area.left, baseV, text);
  }

  bool Fits(std::string_view text) { return sink.TextWidth(text) <= Geometry::Width(area); }
};

// The length of the next piece of a wrapped line.
std::size_t PieceLength(std::string_view rest, Page& page) {
  for (std::size_t k = rest.size(); k >= 3; --k) {
    if (rest[k - 1] == ' ' && page.Fits(rest.substr(0, k))) return k;
  }
  std::size_t k = rest.size();
  while (k > 2 && !page.Fits(rest.substr(0, k))) --k;
  return k;
}

// The characters of the line that this page prints.
std::string LineText(BufferText::TextBuffer buffer, std::int32_t line, std::int32_t column, bool last, int cut) {
  char record[kLineLength + 1];
  BufferText::Get(buffer, line, record);
  record[kLineLength] = '\0';
  std::string text(record);
  if (last) text.resize(std::min<std::size_t>(text.size(), static_cast<std::size_t>(cut)));
  text.erase(0, std::min<std::size_t>(text.size(), static_cast<std::size_t>(column - 1)));
  return text;
}

}  // namespace

Geometry::Rect MarginRect(const Geometry::Rect& page, double top, double bottom, double left, double right) {
  Geometry::Rect r = page;
  const double height = std::abs(page.bottom - page.top);
  const double width = std::abs(page.right - page.left);
  r.top += static_cast<int>(top * height);
  r.bottom -= static_cast<int>(bottom * height);
  r.left += static_cast<int>(left * width);
  r.right -= static_cast<int>(right * width);
  return r;
}

int LinesPerPage(const Geometry::Rect& area, int lineHeight) {
  if (lineHeight < 1) return 0;
  return std::max(0, (area.bottom - area.top) / lineHeight - 1);
}

bool LayOutPage(BufferText::TextBuffer buffer, const Geometry::Rect& area, int lineHeight, bool wrap,
                std::int32_t& line, std::int32_t& column, End end, PageSink& sink) {
  const std::int32_t count = BufferText::RecordCount(buffer);
  const std::int32_t lastLine = std::min(end.lastLine, count);
  Page page{area, lineHeight, LinesPerPage(area, lineHeight), sink, area.top};
  if (page.linesPerPage < 1 || count == 0 || line > count || line > lastLine || lastLine < 1) return false;
  const int cut = static_cast<int>(std::clamp<std::int64_t>(std::int64_t{end.lastColumn} - 1, 0, kLineLength));
  column = std::max(column, 1);
  line = std::max(line, 1);
  while (line <= lastLine && !page.Full()) {
    std::string text = LineText(buffer, line, column, line == lastLine, cut);
    if (!text.empty() && text.front() == kFormFeed) {
      if (text.size() > 1) {
        ++column;
      } else {
        ++line;
        column = 1;
      }
      return true;
    }
    if (wrap && !text.empty() && !page.Fits(text)) {
      std::int32_t used = 0;
      while (!text.empty()) {
        const std::size_t k = PieceLength(text, page);
        page.Print(std::string_view(text).substr(0, k));
        used += static_cast<std::int32_t>(k);
        if (page.Full()) {
          column += used;
          return true;
        }
        text.erase(0, k);
      }
    } else {
      page.Print(text);
    }
    ++line;
    column = 1;
  }
  return true;
}

}  // namespace PrinterLayout
