#include "app/confrm.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>
#include <utility>

#include "app/closeupcombo.h"
#include "app/contbl.h"
#include "app/dialogunits.h"
#include "app/findcode.h"
#include "app/qtext.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {

namespace {

constexpr int kFeedId = 7121;
// The list starts this many pixels below the top of the form, under the stock bar.
constexpr int kTableTop = 30;
constexpr int kSmallestDialogSide = 100;

// The templates' fixed-pitch 9-point font.
QFont ContractWindowFont() {
  QFont font(QStringLiteral("NanumGothicCoding"), 9);
  font.setStyleHint(QFont::Monospace);
  return font;
}

QPushButton* MakeButton(QWidget* parent, int id, const char* text) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QStringLiteral("button%1").arg(id));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

CConFrm::CConFrm(const CodeInfoList* book, QWidget* parent)
    : QWidget(parent),
      feed_(this, kFeedId),
      table_(new CConTbl(book, 0, this)),
      static_(new QLabel(QStringLiteral("code"), this)),
      combo_(new CloseUpComboBox(this, book, [this] { OnComboCloseUp(); })),
      book_(book) {
  setObjectName("form142");
  static_->setObjectName("static9028");
  combo_->setObjectName("combo9014");
  connect(MakeButton(this, 9034, "?"), &QPushButton::clicked, this, [this] { OnFind(); });
  connect(MakeButton(this, 1387, "&A"), &QPushButton::clicked, this, [this] { OnAllPages(); });
  connect(MakeButton(this, 1388, "&N"), &QPushButton::clicked, this, [this] { OnNextPage(); });
  connect(MakeButton(this, 1282, "Tx"), &QPushButton::clicked, this, [this] { OnSaveText(); });
  Layout();
}

void CConFrm::Layout() {
  const DialogUnits units(font());
  // The code label is as wide as the longest code; the buttons after it and the form move along.
  const QRect code = units.Rect(66, 4, 32, 10);
  const int widening = std::max(0, CodeLabelWidth(font()) - code.width());
  resize(units.X(171) + widening, units.Y(220));
  units.Place(*combo_, 1, 2, 62, 120);
  combo_->resize(combo_->width(), combo_->sizeHint().height());
  static_->setGeometry(code.adjusted(0, 0, widening, 0));
  const std::pair<const char*, QRect> buttons[] = {{"button9034", units.Rect(100, 2, 12, 13)},
                                                   {"button1387", units.Rect(114, 2, 16, 13)},
                                                   {"button1388", units.Rect(132, 2, 16, 13)},
                                                   {"button1282", units.Rect(150, 2, 18, 13)}};
  for (const auto& [name, place] : buttons) findChild<QPushButton*>(name)->setGeometry(place.translated(widening, 0));
  table_->setGeometry(QRect(QPoint(0, kTableTop), QSize(width(), height() - kTableTop)));
  table_->show();
}

void CConFrm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The list fills the form, so its scroll bars stay whole inside the window however it is sized.
  table_->resize(event->size().width(), event->size().height() - kTableTop);
}

bool CConFrm::event(QEvent* event) {
  if (WindowMessageEvent* message = AsWindowMessage(event, WM_CONTRACT_FORWARD)) {
    message->SetResult(SendWindowMessage(table_, WM_CONTRACT_FORWARD, message->WParam(), message->LParam()));
    return true;
  }
  return QWidget::event(event);
}

void CConFrm::ClearTable() {
  table_->Clear(&feed_);
}

int CConFrm::SelectStock(const char* text, int byName) {
  if (text == nullptr || text[0] == '\0') {
    ShowMessage(Text(Txt::kSelectStockFirst));
    ClearTable();
    return 0;
  }
  const CodeInfo* stock = nullptr;
  if (book_ != nullptr) stock = byName == 1 ? book_->FindByName(text) : book_->FindByCode(text);
  if (stock == nullptr || stock->key.name == nullptr) {
    ShowMessage(Text(Txt::kStockNotFound));
    ClearTable();
    return 0;
  }
  name_ = stock->key.name.get();
  code_ = stock->key.code;
  static_->setText(FromCp949(code_));
  SelectInCombo(name_);
  return table_->Load(code_.c_str(), &feed_, 0);
}

void CConFrm::SelectInCombo(const std::string& name) {
  const QString shown = FromCp949(name);
  int index = combo_->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) {
    // A sorted list: the names in the byte order of their CP949 text.
    index = 0;
    while (index < combo_->count() && StrCompare(ToCp949(combo_->itemText(index)).c_str(), name.c_str()) < 0) {
      ++index;
    }
    combo_->insertItem(index, shown);
  }
  combo_->setCurrentIndex(index);
}

void CConFrm::OnComboCloseUp() {
  std::string name, code;
  if (!combo_->TakeStock(&name, &code)) return;
  if (code == code_) {
    CurrentUiSink().Beep();
    return;
  }
  // By its code: of two stocks of one name the one the user typed the code of.
  if (SelectStock(code.c_str(), 0)) emit stockChosen();
}

void CConFrm::OnFind() {
  CFindCode finder(book_, this);
  finder.exec();
  const std::string name = finder.ChosenName();
  if (name.empty()) return;
  if (name == name_) {
    CurrentUiSink().Beep();
    return;
  }
  if (SelectStock(name.c_str(), 1)) emit stockChosen();
}

void CConFrm::OnAllPages() {
  if (code_.empty()) {
    CurrentUiSink().Beep();
    return;
  }
  table_->Load(code_.c_str(), &feed_, 1);
}

void CConFrm::OnNextPage() {
  table_->NextPage(&feed_);
}

void CConFrm::OnSaveText() {
  table_->SaveToText();
}

CConDlg::CConDlg(const CodeInfoList* book, QWidget* parent)
    : QDialog(parent), StockWindow(static_cast<QWidget&>(*this)) {
  setObjectName("dialog149");
  setWindowTitle(FromCp949(Text(Txt::kConWindowCaption)));
  setFont(ContractWindowFont());
  const DialogUnits units(font());
  frame_ = new CConFrm(book, this);
  // As much wider than the template as the form had to grow.
  resize(units.X(173) + frame_->width() - units.X(171), units.Y(200));
  frame_->setGeometry(rect());
  frame_->show();
  PlaceLinkToggle(*this, LinkToggle(), LinkTogglePlace::kWidenRight);
  connect(frame_, &CConFrm::stockChosen, this, [this] { Picks().Tell(frame_->Code()); });
}

int CConDlg::ShowStock(const std::string& code) {
  return code == frame_->Code() ? 1 : frame_->SelectStock(code.c_str(), 0);
}

void CConDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (width() >= kSmallestDialogSide && height() >= kSmallestDialogSide) frame_->setGeometry(rect());
}

}  // namespace ostrada
