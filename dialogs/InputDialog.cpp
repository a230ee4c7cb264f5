#include "dialogs/InputDialog.h"

#include "dialogs/Alert.h"
#include "dialogs/DialogUtils.h"
#include "dialogs/ItemValue.h"
#include "dialogs/ModalAnswer.h"
#include "dialogs/NumberField.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "platform/Dialogs.h"
#include "platform/Port.h"
#include "platform/TextEdit.h"
#include "platform/Windows.h"
#include "shell/Mouse.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace InputDialog {

namespace {

using Dialogs::Dialog;

constexpr int kMaxNumbers = 4;
constexpr int kFirstTemplate = 2010;
constexpr int kOkItem = 1;
constexpr int kCancelItem = 2;
constexpr int kFirstField = 6;  // then every second item
constexpr int kLabel4Item = 11;
constexpr int kFieldSize = 41;
constexpr double kLargestSingle = 3.402823466385288e38;

std::array<Dialog*, kMaxNumbers> cached{};

struct Number {
  void* address;
  int kind;
  // The variable before the call, as many bytes as the kind occupies.
  std::array<unsigned char, 8> saved;
};

int FieldOf(int index) { return kFirstField + 2 * index; }

std::size_t SizeOf(int kind) {
  switch (kind) {
    case kInt16:
      return sizeof(std::int16_t);
    case kInt32:
      return sizeof(std::int32_t);
    case kSingle:
      return sizeof(float);
    case kDouble:
      return sizeof(double);
    default:
      return 0;
  }
}

using ItemValue::Load;
using ItemValue::Store;

void Format(const Number& n, std::span<char> text) {
  Strings::Clear(text);
  switch (n.kind) {
    case kInt16:
      Decode::Integer(Load<std::int16_t>(n.address), text, 0);
      break;
    case kInt32:
      Decode::Integer(Load<std::int32_t>(n.address), text, 0);
      break;
    case kSingle:
      Decode::Engineering(Load<float>(n.address), text, 10);
      break;
    case kDouble:
      Decode::Engineering(Load<double>(n.address), text, 10);
      break;
    default:
      break;
  }
}

// Stores the field's number when it reads as its kind within range.
bool Parse(std::span<const char> text, const Number& n) {
  std::int32_t integer = 0;
  double real = 0.0;
  switch (n.kind) {
    case kInt16:
      if (!NumberField::ReadInteger(text, integer) || integer < INT16_MIN || integer > INT16_MAX) return false;
      Store(n.address, static_cast<std::int16_t>(integer));
      return true;
    case kInt32:
      if (!NumberField::ReadInteger(text, integer)) return false;
      Store(n.address, integer);
      return true;
    case kSingle:
      if (!NumberField::ReadReal(text, real) || std::fabs(real) > kLargestSingle) return false;
      Store(n.address, static_cast<float>(real));
      return true;
    case kDouble:
      if (!NumberField::ReadReal(text, real)) return false;
      Store(n.address, real);
      return true;
    default:
      return false;
  }
}

// Reads one field into its variable; one that does not read is selected
// alone, so the operator sees what to correct.
bool EncodeItem(Dialog* d, int index, std::span<const Number> numbers) {
  char text[kFieldSize];
  DialogUtils::GetItemText(d, FieldOf(index), text);
  if (Parse(text, numbers[static_cast<std::size_t>(index)])) return true;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    Dialogs::SelectItemText(d, FieldOf(static_cast<int>(i)), 0, 0);
  }
  Dialogs::SelectItemText(d, FieldOf(index), 0, TextEdit::kMaxLength);
  return false;
}

void Restore(std::span<const Number> numbers) {
  for (const Number& n : numbers) std::memcpy(n.address, n.saved.data(), SizeOf(n.kind));
}

// Off screen: the title, the labels and values, and the queued answer or OK.
bool AnswerUnseen(std::span<const char> title, const std::array<std::span<const char>, kMaxNumbers>& labels,
                  std::span<const Number> numbers) {
  const std::lock_guard<std::mutex> lock(ModalAnswer::Mutex());
  int answer = kOkItem;
  ModalAnswer::Take(answer);
  std::fprintf(stderr, "%.*s\n", Strings::Length(title), title.data());
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    char value[kFieldSize];
    Format(numbers[i], value);
    std::fprintf(stderr, "  %.*s [%s]\n", Strings::Length(labels[i]), labels[i].data(), value);
  }
  std::fputs(answer == kCancelItem ? " -> Cancel\n" : " -> OK\n", stderr);
  return answer != kCancelItem;
}

bool Execute(std::span<const char> title, const std::array<std::span<const char>, kMaxNumbers>& labels, int count,
             const std::array<void*, kMaxNumbers>& addresses, const std::array<int, kMaxNumbers>& kinds) {
  if (count <= 0) return false;
  count = std::min(count, kMaxNumbers);
  std::array<Number, kMaxNumbers> all{};
  for (int i = 0; i < count; ++i) {
    Number& n = all[static_cast<std::size_t>(i)];
    n.address = addresses[static_cast<std::size_t>(i)];
    n.kind = kinds[static_cast<std::size_t>(i)];
    std::memcpy(n.saved.data(), n.address, SizeOf(n.kind));
  }
  const std::span<const Number> numbers(all.data(), static_cast<std::size_t>(count));
  if (!ModalAnswer::OnScreen()) return AnswerUnseen(title, labels, numbers);

  Dialogs::ParamText(title, labels[0], labels[1], labels[2]);
  Port::GrafPort* savedPort = Port::GetPort();
  Windows::Window* savedFront = Windows::FrontWindow();
  const int savedCursor = Mouse::GetCursorShape();
  Dialog*& d = cached[static_cast<std::size_t>(count - 1)];
  if (d == nullptr) d = Dialogs::GetNewDialog(kFirstTemplate + count - 1);
  if (d == nullptr) return false;
  DialogUtils::SetItemProc(d, kOkItem, DialogUtils::OutlineButtonUPP);
  for (int i = 0; i < count; ++i) {
    char text[kFieldSize];
    Format(numbers[static_cast<std::size_t>(i)], text);
    DialogUtils::SetItemText(d, FieldOf(i), text);
  }
  if (count == kMaxNumbers) DialogUtils::SetItemText(d, kLabel4Item, labels[3]);
  Dialogs::SelectItemText(d, FieldOf(0), 0, TextEdit::kMaxLength);
  Windows::ShowWindow(Dialogs::GetDialogWindow(d));
  Windows::SelectWindow(Dialogs::GetDialogWindow(d));
  Mouse::SetCursorShape(Mouse::kArrow);

  ModalAnswer::Session session(
      DialogUtils::FilterUPP, [](int answer, const void*) { return answer; }, nullptr, kOkItem);
  bool accepted = false;
  for (;;) {
    const int item = session.Next();
    if (item == kCancelItem || item == 0) {
      Restore(numbers);
      break;
    }
    if (item != kOkItem) continue;
    int read = 0;
    while (read < count && EncodeItem(d, read, numbers)) ++read;
    if (read == count) {
      accepted = true;
      break;
    }
    Alert::Beep();
  }
  Windows::HideWindow(Dialogs::GetDialogWindow(d));
  Port::SetPort(savedPort);
  if (savedFront != nullptr) Windows::SelectWindow(savedFront);
  Mouse::SetCursorShape(savedCursor);
  return accepted;
}

constexpr char kBlank[] = " ";

}  // namespace

bool One(std::span<const char> title, std::span<const char> label1, void* address1, int kind1) {
  if (address1 == nullptr) return false;
  return Execute(title, {label1, kBlank, kBlank, kBlank}, 1, {address1, nullptr, nullptr, nullptr},
                 {kind1, 0, 0, 0});
}

bool Two(std::span<const char> title, std::span<const char> label1, void* address1, int kind1,
         std::span<const char> label2, void* address2, int kind2) {
  if (address1 == nullptr || address2 == nullptr) return false;
  return Execute(title, {label1, label2, kBlank, kBlank}, 2, {address1, address2, nullptr, nullptr},
                 {kind1, kind2, 0, 0});
}

bool Three(std::span<const char> title, std::span<const char> label1, void* address1, int kind1,
           std::span<const char> label2, void* address2, int kind2, std::span<const char> label3,
           void* address3, int kind3) {
  if (address1 == nullptr || address2 == nullptr || address3 == nullptr) return false;
  return Execute(title, {label1, label2, label3, kBlank}, 3, {address1, address2, address3, nullptr},
                 {kind1, kind2, kind3, 0});
}

bool Four(std::span<const char> title, std::span<const char> label1, void* address1, int kind1,
          std::span<const char> label2, void* address2, int kind2, std::span<const char> label3,
          void* address3, int kind3, std::span<const char> label4, void* address4, int kind4) {
  if (address1 == nullptr || address2 == nullptr || address3 == nullptr || address4 == nullptr) return false;
  return Execute(title, {label1, label2, label3, label4}, 4, {address1, address2, address3, address4},
                 {kind1, kind2, kind3, kind4});
}

void InitModule() { cached.fill(nullptr); }

void Shutdown() {
  for (Dialog*& d : cached) {
    if (d != nullptr) Dialogs::DisposeDialog(d);
    d = nullptr;
  }
}

}  // namespace InputDialog
