#include "platform/Picture.h"

#include <algorithm>

namespace Picture {

using Geometry::Point;
using Geometry::Rect;

// The port state as last written, so that only changes are recorded.
struct Recorder {
  Rect frame;
  Data bytes;
  Port::GrafPort written;  // state fields only
  Rect clip;
  bool clipWritten = false;
  Point ovalSize;
  Pattern::Pat fillPat = Pattern::kBlack;
};

namespace {

int Cut16(int n) { return std::clamp(n, -32768, 32767); }

void Put16(Data& d, int n) {
  const auto u = static_cast<std::uint16_t>(Cut16(n));
  d.push_back(static_cast<std::uint8_t>(u >> 8));
  d.push_back(static_cast<std::uint8_t>(u));
}

void PutU16(Data& d, unsigned n) {
  d.push_back(static_cast<std::uint8_t>(n >> 8));
  d.push_back(static_cast<std::uint8_t>(n));
}

void Put32(Data& d, std::uint32_t n) {
  PutU16(d, n >> 16);
  PutU16(d, n & 0xFFFF);
}

void PutPoint(Data& d, Point p) {
  Put16(d, p.v);
  Put16(d, p.h);
}

void PutRect(Data& d, const Rect& r) {
  Put16(d, r.top);
  Put16(d, r.left);
  Put16(d, r.bottom);
  Put16(d, r.right);
}

void PutPattern(Data& d, const Pattern::Pat& p) { d.insert(d.end(), p.rows.begin(), p.rows.end()); }

void PutRGB(Data& d, const Color::RGB& c) {
  PutU16(d, c.red);
  PutU16(d, c.green);
  PutU16(d, c.blue);
}

void PadEven(Data& d) {
  if (d.size() % 2 != 0) d.push_back(0);
}

Rect Cut16(const Rect& r) { return Rect{Cut16(r.top), Cut16(r.left), Cut16(r.bottom), Cut16(r.right)}; }

void PutFace(Data& d, int face) {
  d.push_back(static_cast<std::uint8_t>(face));
  PadEven(d);
}

// Writes the opcode and the field when the port's value differs from the one
// the picture holds.
template <typename T, typename Put>
void Sync(Data& d, unsigned opcode, const T& current, T& written, Put put) {
  if (current == written) return;
  PutU16(d, opcode);
  put(d, current);
  written = current;
}

// Writes the state opcodes for every field of the port that differs from
// what the picture holds.
void SyncState(Port::GrafPort& port) {
  Recorder& rec = *port.picture;
  Data& d = rec.bytes;
  Port::GrafPort& w = rec.written;
  const Rect clip = Cut16(port.clipRgn.Bounds());
  if (!rec.clipWritten || clip != rec.clip) {
    PutU16(d, kOpClip);
    PutU16(d, 10);
    PutRect(d, clip);
    rec.clip = clip;
    rec.clipWritten = true;
  }
  Sync(d, kOpPnSize, port.pnSize, w.pnSize, PutPoint);
  Sync(d, kOpPnMode, port.pnMode, w.pnMode, Put16);
  Sync(d, kOpPnPat, port.pnPat, w.pnPat, PutPattern);
  Sync(d, kOpBkPat, port.bkPat, w.bkPat, PutPattern);
  Sync(d, kOpRGBFgCol, port.fgColor, w.fgColor, PutRGB);
  Sync(d, kOpRGBBkCol, port.bkColor, w.bkColor, PutRGB);
  Sync(d, kOpTxFont, port.txFont, w.txFont, Put16);
  Sync(d, kOpTxFace, port.txFace, w.txFace, PutFace);
  Sync(d, kOpTxMode, port.txMode, w.txMode, Put16);
  Sync(d, kOpTxSize, port.txSize, w.txSize, Put16);
}

void SyncFill(Recorder& rec, const Pattern::Pat* fill) {
  if (fill == nullptr || *fill == rec.fillPat) return;
  PutU16(rec.bytes, kOpFillPat);
  PutPattern(rec.bytes, *fill);
  rec.fillPat = *fill;
}

void RecordShape(Port::GrafPort& port, int base, Verb verb, const Rect& r, const Pattern::Pat* fill) {
  SyncState(port);
  SyncFill(*port.picture, verb == kFill ? fill : nullptr);
  PutU16(port.picture->bytes, static_cast<unsigned>(base + verb));
  PutRect(port.picture->bytes, r);
}

}  // namespace

bool Open(const Rect& frame) {
  Port::GrafPort* port = Port::GetPort();
  if (port == nullptr || port->picture != nullptr) return false;
  auto* rec = new Recorder;
  rec->frame = Cut16(frame);
  Port::InitPort(rec->written, nullptr, Rect{});
  port->picture = rec;
  return true;
}

Data Close() {
  Port::GrafPort* port = Port::GetPort();
  if (port == nullptr || port->picture == nullptr) return Data{};
  Recorder* rec = port->picture;
  port->picture = nullptr;
  Data d;
  PutU16(d, 0);  // size word, filled in below
  PutRect(d, rec->frame);
  PutU16(d, kOpVersion);
  PutU16(d, 0x02FF);
  PutU16(d, kOpHeader);
  Put16(d, kVersion);
  Put16(d, 0);
  Put32(d, static_cast<std::uint32_t>(kResolution) << 16);
  Put32(d, static_cast<std::uint32_t>(kResolution) << 16);
  PutRect(d, rec->frame);
  Put32(d, 0);
  d.insert(d.end(), rec->bytes.begin(), rec->bytes.end());
  PutU16(d, kOpEndPic);
  d[0] = static_cast<std::uint8_t>((d.size() >> 8) & 0xFF);
  d[1] = static_cast<std::uint8_t>(d.size() & 0xFF);
  delete rec;
  return d;
}

void Discard(Port::GrafPort& port) {
  delete port.picture;
  port.picture = nullptr;
}

void Comment(int kind) {
  Port::GrafPort* port = Port::GetPort();
  if (port == nullptr || port->picture == nullptr) return;
  // The state set before the comment belongs before it in the picture too.
  SyncState(*port);
  PutU16(port->picture->bytes, kOpShortComment);
  Put16(port->picture->bytes, kind);
}

void RecordLine(Port::GrafPort& port, Point from, Point to) {
  SyncState(port);
  PutU16(port.picture->bytes, kOpLine);
  PutPoint(port.picture->bytes, from);
  PutPoint(port.picture->bytes, to);
}

void RecordRect(Port::GrafPort& port, Verb verb, const Rect& r, const Pattern::Pat* fill) {
  RecordShape(port, kOpRect, verb, r, fill);
}

void RecordRoundRect(Port::GrafPort& port, Verb verb, const Rect& r, int ovalWidth, int ovalHeight,
                     const Pattern::Pat* fill) {
  Recorder& rec = *port.picture;
  const Point size{ovalWidth, ovalHeight};
  if (size != rec.ovalSize) {
    PutU16(rec.bytes, kOpOvSize);
    PutPoint(rec.bytes, size);
    rec.ovalSize = size;
  }
  RecordShape(port, kOpRRect, verb, r, fill);
}

void RecordOval(Port::GrafPort& port, Verb verb, const Rect& r, const Pattern::Pat* fill) {
  RecordShape(port, kOpOval, verb, r, fill);
}

void RecordPoly(Port::GrafPort& port, Verb verb, std::span<const Point> points, const Pattern::Pat* fill) {
  if (points.empty()) return;
  SyncState(port);
  Recorder& rec = *port.picture;
  SyncFill(rec, verb == kFill ? fill : nullptr);
  // A polygon record's size word counts itself, the bounding box and the
  // points, and so cannot exceed 16 bits.
  const std::size_t count = std::min<std::size_t>(points.size(), (0x7FFF - 10) / 4);
  Rect box{points[0].v, points[0].h, points[0].v, points[0].h};
  for (std::size_t i = 0; i < count; ++i) {
    box.top = std::min(box.top, points[i].v);
    box.left = std::min(box.left, points[i].h);
    box.bottom = std::max(box.bottom, points[i].v);
    box.right = std::max(box.right, points[i].h);
  }
  PutU16(rec.bytes, static_cast<unsigned>(kOpPoly + verb));
  PutU16(rec.bytes, static_cast<unsigned>(10 + 4 * count));
  PutRect(rec.bytes, box);
  for (std::size_t i = 0; i < count; ++i) PutPoint(rec.bytes, points[i]);
}

void RecordText(Port::GrafPort& port, Point at, std::span<const char> chars) {
  SyncState(port);
  Data& d = port.picture->bytes;
  // Every run carries its position; the reader moves the pen there first.
  const std::size_t n = std::min<std::size_t>(chars.size(), 255);
  PutU16(d, kOpLongText);
  PutPoint(d, at);
  d.push_back(static_cast<std::uint8_t>(n));
  d.insert(d.end(), chars.begin(), chars.begin() + static_cast<std::ptrdiff_t>(n));
  PadEven(d);
}

}  // namespace Picture
