#include "app/findcode.h"

#include <QLabel>
#include <QPushButton>

#include "app/dialogunits.h"
#include "app/qtext.h"
#include "app/simplecombo.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "app/findcode";

constexpr int kDigitAnchor = 0;
constexpr int kLatinAnchor = 1;
constexpr int kFirstSyllableAnchor = 2;
constexpr int kSyllableCount = 14;
static_assert(kFirstSyllableAnchor + kSyllableCount == CFindCode::kAnchorCount);

// The first syllable of each Korean range, as CP949 bytes: 가 나 다 라 마 바 사 아 자 차 카 타 파 하.
constexpr unsigned char kSyllables[kSyllableCount][2] = {
    {0xB0, 0xA1}, {0xB3, 0xAA}, {0xB4, 0xD9}, {0xB6, 0xF3}, {0xB8, 0xB6}, {0xB9, 0xD9}, {0xBB, 0xE7},
    {0xBE, 0xC6}, {0xC0, 0xDA}, {0xC2, 0xF7}, {0xC4, 0xAB}, {0xC5, 0xB8}, {0xC6, 0xC4}, {0xC7, 0xCF}};

// 1 when the syllable's two bytes are not above the name's first two (unsigned, byte by byte).
bool SyllableNotAbove(const unsigned char* syllable, const unsigned char* name) {
  if (syllable[0] != name[0]) return syllable[0] < name[0];
  return syllable[1] <= name[1];
}

bool IsAsciiLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsAsciiDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

// Template 135 in dialog units.
struct JumpButton {
  int anchor;
  const char* text;
  int x, y, width, height;
};
constexpr int kColumn1 = 99, kColumn2 = 121, kColumn3 = 143;
constexpr int kSyllableWidth = 19, kSyllableHeight = 17;
constexpr JumpButton kJumpButtons[CFindCode::kAnchorCount] = {
    {0, "12", kColumn1, 44, 19, 15},
    {1, "AB", kColumn2, 44, 19, 15},
    {2, "가", kColumn1, 62, kSyllableWidth, kSyllableHeight},
    {3, "나", kColumn2, 62, kSyllableWidth, kSyllableHeight},
    {4, "다", kColumn3, 62, kSyllableWidth, kSyllableHeight},
    {5, "라", kColumn1, 81, kSyllableWidth, kSyllableHeight},
    {6, "마", kColumn2, 81, kSyllableWidth, kSyllableHeight},
    {7, "바", kColumn3, 81, kSyllableWidth, kSyllableHeight},
    {8, "사", kColumn1, 100, kSyllableWidth, kSyllableHeight},
    {9, "아", kColumn2, 100, kSyllableWidth, kSyllableHeight},
    {10, "자", kColumn3, 100, kSyllableWidth, kSyllableHeight},
    {11, "차", kColumn1, 120, kSyllableWidth, kSyllableHeight},
    {12, "카", kColumn2, 120, kSyllableWidth, kSyllableHeight},
    {13, "타", kColumn3, 120, kSyllableWidth, kSyllableHeight},
    {14, "파", kColumn1, 139, kSyllableWidth, kSyllableHeight},
    {15, "하", kColumn2, 139, kSyllableWidth, kSyllableHeight},
};

}  // namespace

CFindCode::CFindCode(const CodeInfoList* applicationBook, QWidget* parent)
    : QDialog(parent), applicationBook_(applicationBook), list_(new SimpleComboBox(this)) {
  // Opened from a working window it blocks that window only; the others go on beside it.
  if (parent != nullptr) setWindowModality(Qt::WindowModal);
  Layout();
}

void CFindCode::Layout() {
  setObjectName("dialog135");
  setWindowTitle(QStringLiteral("종목 찾기"));
  setFont(TemplateFont());
  const DialogUnits units(font());
  // The list shows each stock's code beside its name: it and everything to its right grow by a code.
  const int widening = QFontMetrics(font()).horizontalAdvance(QStringLiteral("A000000")) + units.X(4);
  const auto place = [&units, widening](QWidget& widget, int x, int y, int width, int height) {
    widget.setGeometry(units.Rect(x, y, width, height).translated(widening, 0));
  };
  setFixedSize(units.Size(167, 161) + QSize(widening, 0));

  auto* label = new QLabel(QStringLiteral("종목 목록(&L):"), this);
  label->setObjectName("labelList");
  units.Place(*label, 7, 10, 56, 7);
  // The label's text may be taller than its template height in this font; let it overhang upwards.
  label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  label->setBuddy(list_);

  list_->setObjectName("combo1179");
  units.Place(*list_, 7, 20, 83, 137);
  list_->resize(list_->width() + widening, list_->height());

  auto* ok = new QPushButton(QStringLiteral("확인(&S)"), this);
  ok->setObjectName("button1");
  ok->setDefault(true);
  place(*ok, 110, 5, 50, 17);
  connect(ok, &QPushButton::clicked, this, &CFindCode::accept);

  auto* cancel = new QPushButton(QStringLiteral("취소(&X)"), this);
  cancel->setObjectName("button2");
  cancel->setAutoDefault(false);
  place(*cancel, 110, 23, 50, 17);
  connect(cancel, &QPushButton::clicked, this, &CFindCode::reject);

  for (const JumpButton& jump : kJumpButtons) {
    auto* button = new QPushButton(QString::fromUtf8(jump.text), this);
    button->setObjectName(QStringLiteral("button%1").arg(kFirstJumpId + jump.anchor));
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    place(*button, jump.x, jump.y, jump.width, jump.height);
    connect(button, &QPushButton::clicked, this, [this, anchor = jump.anchor] { OnJump(anchor); });
  }
}

void CFindCode::setVisible(bool visible) {
  // Opening runs each time the dialog is about to show, whichever way it is shown.
  if (visible && !isVisible()) OnInitDialog();
  QDialog::setVisible(visible);
}

void CFindCode::OnInitDialog() {
  book_ = applicationBook_;
  search_ = std::make_unique<CodeSearchIndex>(book_);
  list_->SetMatcher([this](const QString& text) { return search_->Find(text.toStdString()); });
  FillList();
  SetAnchors();
  if (!typed_.isEmpty()) list_->SetEditText(typed_);
}

void CFindCode::OpenOn(const QString& typed) {
  typed_ = typed;
}

void CFindCode::FillList() {
  WaitCursor wait;
  if (book_ == nullptr) {
    ShowMessage(Text(Txt::kReceiveStocksFirst));
    return;
  }
  list_->Clear();
  const CodeInfo* stock = book_->First();
  for (int i = 0; i < book_->Count(); ++i, stock = stock->next) {
    if (!OSTRADA_VERIFY(stock != nullptr)) return;
    list_->AddString(FromCp949(stock->key.name.get() ? stock->key.name.get() : ""), FromCp949(stock->key.code));
  }
}

void CFindCode::SetAnchors() {
  anchors_.fill(nullptr);
  if (book_ == nullptr) return;
  for (const CodeInfo* stock = book_->First(); stock != nullptr; stock = stock->next) {
    const auto* name = reinterpret_cast<const unsigned char*>(stock->key.name.get());
    if (name == nullptr || name[0] == 0) continue;
    if (name[0] >= 0x80) {
      for (int k = 0; k < kSyllableCount; ++k) {
        const CodeInfo*& anchor = anchors_[kFirstSyllableAnchor + k];
        if (anchor == nullptr && SyllableNotAbove(kSyllables[k], name)) {
          anchor = stock;
          break;
        }
      }
    } else if (anchors_[kLatinAnchor] == nullptr && IsAsciiLetter(name[0])) {
      anchors_[kLatinAnchor] = stock;
    } else if (anchors_[kDigitAnchor] == nullptr && IsAsciiDigit(name[0])) {
      anchors_[kDigitAnchor] = stock;
    }
  }
}

void CFindCode::OnJump(int anchor) {
  const CodeInfo* stock = anchors_[anchor];
  if (!OSTRADA_VERIFY(stock != nullptr)) return;
  const std::string name = stock->key.name.get() ? stock->key.name.get() : "";
  // A jump looks through the whole list, whatever was typed before.
  list_->ShowAll();
  const int index = list_->FindExact(FromCp949(name), 0);
  if (index < 0) {
    ShowMessage(Text(Txt::kLogicErrorPrefix) + name);
    return;
  }
  list_->SetCurrentIndex(index);
}

void CFindCode::accept() {
  int index = list_->CurrentIndex();
  if (index < 0) {
    const QString typed = list_->EditText();
    chosenName_ = ToCp949(typed);
    if (!typed.isEmpty()) {
      index = list_->FindExact(typed, 0);
      if (index >= 0) list_->SetCurrentIndex(index);
    }
    if (index < 0) {
      ShowMessage(Text(Txt::kChooseStockExactly));
      return;
    }
  }
  chosenName_ = ToCp949(list_->Text(index));
  const CodeInfo* stock = book_ ? book_->FindByName(chosenName_.c_str()) : nullptr;
  if (OSTRADA_VERIFY(stock != nullptr)) chosenCode_ = stock->key.code;
  QDialog::accept();
}

void CFindCode::reject() {
  chosenName_.clear();
  chosenCode_.clear();
  QDialog::reject();
}

}  // namespace ostrada
