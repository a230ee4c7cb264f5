#include "platform/PictReader.h"

#include "platform/Picture.h"

namespace PictReader {

namespace {

std::string errorText;

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}

  bool Ok() const { return ok_; }
  std::size_t Offset() const { return pos_; }

  int U8() {
    if (!Need(1)) return 0;
    return data_[pos_++];
  }
  int U16() {
    const int hi = U8();
    return (hi << 8) | U8();
  }
  int S16() { return static_cast<std::int16_t>(static_cast<std::uint16_t>(U16())); }
  std::uint32_t U32() {
    const auto hi = static_cast<std::uint32_t>(U16());
    return (hi << 16) | static_cast<std::uint32_t>(U16());
  }
  Geometry::Point PointVH() {
    const int v = S16();
    return Geometry::Point{S16(), v};
  }
  Geometry::Rect Rect() {
    Geometry::Rect r;
    r.top = S16();
    r.left = S16();
    r.bottom = S16();
    r.right = S16();
    return r;
  }
  Pattern::Pat Pat() {
    Pattern::Pat p;
    for (auto& row : p.rows) row = static_cast<std::uint8_t>(U8());
    return p;
  }
  Color::RGB RGB() {
    Color::RGB c;
    c.red = static_cast<std::uint16_t>(U16());
    c.green = static_cast<std::uint16_t>(U16());
    c.blue = static_cast<std::uint16_t>(U16());
    return c;
  }
  void Skip(std::size_t n) {
    if (Need(n)) pos_ += n;
  }
  void AlignEven(std::size_t start) {
    if ((pos_ - start) % 2 != 0) Skip(1);
  }

 private:
  bool Need(std::size_t n) {
    if (!ok_ || data_.size() - pos_ < n) {
      ok_ = false;
      return false;
    }
    return true;
  }

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

bool Fail(const std::string& why) {
  errorText = why;
  return false;
}

// Reads one opcode's data; false for an opcode Picture does not write.
bool ReadOp(Reader& in, Op& op) {
  const int code = op.opcode;
  const int shape = code & 0xFFF0;
  const int verb = code & 0x000F;
  if ((shape == Picture::kOpRect || shape == Picture::kOpRRect || shape == Picture::kOpOval) && verb <= Picture::kFill) {
    op.rect = in.Rect();
    return true;
  }
  if (shape == Picture::kOpPoly && verb <= Picture::kFill) {
    const int size = in.U16();
    op.rect = in.Rect();
    if (size < 10 || (size - 10) % 4 != 0) return false;
    for (int i = 0; i < (size - 10) / 4 && in.Ok(); ++i) op.points.push_back(in.PointVH());
    return true;
  }
  switch (code) {
    case Picture::kOpClip: {
      const int size = in.U16();
      op.rect = in.Rect();
      if (size < 10) return false;
      in.Skip(static_cast<std::size_t>(size - 10));
      return true;
    }
    case Picture::kOpBkPat:
    case Picture::kOpPnPat:
    case Picture::kOpFillPat:
      op.pat = in.Pat();
      return true;
    case Picture::kOpTxFont:
    case Picture::kOpTxMode:
    case Picture::kOpPnMode:
    case Picture::kOpTxSize:
    case Picture::kOpShortComment:
      op.value = in.S16();
      return true;
    case Picture::kOpTxFace:
      op.value = in.U8();
      in.Skip(1);
      return true;
    case Picture::kOpPnSize:
    case Picture::kOpOvSize:
      op.a = in.PointVH();
      return true;
    case Picture::kOpRGBFgCol:
    case Picture::kOpRGBBkCol:
      op.rgb = in.RGB();
      return true;
    case Picture::kOpLine:
      op.a = in.PointVH();
      op.b = in.PointVH();
      return true;
    case Picture::kOpLongText: {
      const std::size_t start = in.Offset();
      op.a = in.PointVH();
      const int n = in.U8();
      for (int i = 0; i < n && in.Ok(); ++i) op.text.push_back(static_cast<char>(in.U8()));
      in.AlignEven(start);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

bool Parse(std::span<const std::uint8_t> data, Parsed& out) {
  Reader in(data);
  Parsed p;
  in.U16();  // size word: too small to mean anything for larger pictures
  p.frame = in.Rect();
  if (in.U16() != Picture::kOpVersion || in.U16() != 0x02FF) return Fail("not a version 2 picture");
  if (in.U16() != Picture::kOpHeader) return Fail("no extended header");
  p.version = in.S16();
  in.S16();
  p.hRes = static_cast<int>(in.U32() >> 16);
  p.vRes = static_cast<int>(in.U32() >> 16);
  in.Rect();
  in.U32();
  if (!in.Ok()) return Fail("picture header cut short");
  if (p.version != Picture::kVersion) return Fail("not an extended version 2 picture");
  for (;;) {
    Op op;
    op.opcode = in.U16();
    if (!in.Ok()) return Fail("no end of picture");
    if (op.opcode == Picture::kOpEndPic) break;
    if (!ReadOp(in, op)) return Fail("unknown opcode " + std::to_string(op.opcode));
    if (!in.Ok()) return Fail("data of opcode " + std::to_string(op.opcode) + " cut short");
    p.ops.push_back(std::move(op));
  }
  out = std::move(p);
  errorText.clear();
  return true;
}

bool ParseFile(std::span<const std::uint8_t> data, Parsed& out) {
  if (data.size() < static_cast<std::size_t>(Picture::kFileHeaderSize)) return Fail("shorter than a picture file header");
  return Parse(data.subspan(Picture::kFileHeaderSize), out);
}

const char* ErrorText() { return errorText.c_str(); }

}  // namespace PictReader
