#include "app/callfrm.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <climits>
#include <cstdio>

#include "app/calltbl.h"
#include "app/closeupcombo.h"
#include "app/dialogunits.h"
#include "app/findcode.h"
#include "app/qtext.h"
#include "app/risefall.h"
#include "app/windowmessages.h"
#include "app/wndconpower.h"
#include "basesrc/codeinfo.h"
#include "basesrc/coninfo.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/liveday.h"
#include "basesrc/numberformat.h"

namespace ostrada {

static constexpr char kModule[] = "app/callfrm";

namespace {

// Template sizes in dialog units: the dialog 146, the header forms 139 (5 levels) and 137 (10 levels).
constexpr int kDialogWidth = 163, kDialogHeight = 285;
constexpr int kForm5Width = 161, kForm5Height = 175;
constexpr int kForm10Width = 161, kForm10Height = 284;
// Where the form puts its table, in pixels.
constexpr int kTableX = 0, kTableY = 65;
// The quote panel's word in WM_STOCK_CHANGED.
constexpr uintptr_t kQuotePanel = 2;
// The id of the contract feed that keeps the header live.
constexpr int kContractFeedId = 7121;

QLabel* MakeLabel(QWidget* parent, const QString& text, const char* objectName, Qt::Alignment align) {
  auto* label = new QLabel(text, parent);
  if (objectName != nullptr) label->setObjectName(QString::fromLatin1(objectName));
  label->setAlignment(align | Qt::AlignVCenter);
  return label;
}

QString Grouped(int64_t value) {
  return QString::fromLatin1(FormatNumber(value));
}

QString RateText(float rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(rate));
  return QString::fromLatin1(text);
}

}  // namespace

// ---- CCallFrm ----

CCallFrm::CCallFrm(const CodeInfoList* book, int mode, QWidget* parent) : QWidget(parent), book_(book), mode_(mode) {
  setObjectName(mode_ == 1 ? QStringLiteral("dialog139") : QStringLiteral("dialog137"));
  setFont(TemplateFont());
  combo_ = new CloseUpComboBox(this, book_, [this] { OnComboCloseUp(); });
  combo_->setObjectName(QStringLiteral("combo9014"));
  find9034_ = new QPushButton(QStringLiteral("?"), this);
  find9034_->setObjectName(QStringLiteral("button9034"));
  // Enter in the stock box chooses the typed stock; it must not also press the finder button.
  find9034_->setAutoDefault(false);
  connect(find9034_, &QPushButton::clicked, this, &CCallFrm::OnFindButton);
  code9028_ = MakeLabel(this, {}, "static9028", Qt::AlignLeft);
  halted_ = MakeLabel(this, {}, "halted", Qt::AlignLeft);
  last9029_ = MakeLabel(this, {}, "static9029", Qt::AlignRight);
  change9030_ = MakeLabel(this, {}, "static9030", Qt::AlignRight);
  rate9031_ = MakeLabel(this, {}, "static9031", Qt::AlignRight);
  volume9032_ = MakeLabel(this, {}, "static9032", Qt::AlignRight);
  table_ = new CCallTbl(mode_, rateColumn_, this);
  LayOut();
  table_->move(kTableX, kTableY);
  table_->show();
}

void CCallFrm::LayOut() {
  const DialogUnits units(font());
  const QFontMetrics metrics(font());
  // The header band above the table: the stock choice, then two lines of price labels and values.
  // Each value label is as wide as the widest text its field can hold (at least its template width);
  // what follows it on its line moves along, and the form grows to take it.
  units.Place(*combo_, 2, 2, 72, 12);
  units.Place(*MakeLabel(this, QStringLiteral("code"), nullptr, Qt::AlignRight), 76, 3, 20, 10);
  const QRect code = units.Rect(98, 3, 36, 10);
  code9028_->setGeometry(code.x(), code.y(), std::max(code.width(), CodeLabelWidth(font())), code.height());
  const QRect find = units.Rect(136, 2, 16, 12);
  find9034_->setGeometry(code9028_->geometry().right() + 1 + units.X(2), find.y(), find.width(), find.height());
  const int haltedWidth = metrics.horizontalAdvance(FromCp949(Text(Txt::kQuoteHalted))) + units.X(2);
  halted_->setGeometry(find9034_->geometry().right() + 1 + units.X(2), code9028_->y(), haltedWidth, code9028_->height());

  // The extreme price, change and volume, and the largest rate a 32-bit change over a price makes.
  const int valueWidth =
      std::max({units.X(34), metrics.horizontalAdvance(Grouped(INT32_MIN)),
                metrics.horizontalAdvance(Grouped(UINT32_MAX)), metrics.horizontalAdvance(RateText(INT32_MIN))});
  struct Field {
    const char* caption;
    QLabel* value;
    const char* unit;
    int column, y;
  };
  const Field fields[] = {{"최종가격", last9029_, "원", 0, 16},
                          {"전일대비", change9030_, "원", 1, 16},
                          {"%", rate9031_, "%", 0, 26},
                          {"거래량", volume9032_, "주", 1, 26}};
  const int columnWidth = units.X(28) + valueWidth + units.X(2 + 10);
  int right = halted_->geometry().right() + 1;
  for (const Field& field : fields) {
    const int x = units.X(2) + field.column * (columnWidth + units.X(6));
    const int y = units.Y(field.y), height = units.Y(9);
    MakeLabel(this, QString::fromUtf8(field.caption), nullptr, Qt::AlignLeft)->setGeometry(x, y, units.X(28), height);
    field.value->setGeometry(x + units.X(28), y, valueWidth, height);
    const int unitX = x + units.X(28) + valueWidth + units.X(2);
    MakeLabel(this, QString::fromUtf8(field.unit), nullptr, Qt::AlignLeft)->setGeometry(unitX, y, units.X(10), height);
    right = std::max(right, unitX + units.X(10));
  }
  // The template's size, grown where the header or the table reaches further, so nothing is cut off.
  const QSize form = mode_ == 1 ? units.Size(kForm5Width, kForm5Height) : units.Size(kForm10Width, kForm10Height);
  setFixedSize(std::max({form.width(), kTableX + table_->width(), right + units.X(2)}),
               std::max(form.height(), kTableY + table_->height()));
}

void CCallFrm::ClearHeader() {
  for (QLabel* label : {last9029_, rate9031_, change9030_, volume9032_, code9028_, halted_}) label->clear();
  table_->SetStock(nullptr);
  if (contracts_ != nullptr) contracts_->Unsubscribe();
  // A blank header has no current stock, so choosing the same name again shows it again.
  name_.clear();
  code_.clear();
}

int CCallFrm::SetStock(const std::string& name, const std::string& code) {
  std::string chosenCode = code;
  if (chosenCode.empty()) {
    if (name.empty()) {
      ShowMessage(Text(Txt::kSelectStockFirst));
      ClearHeader();
      return 0;
    }
    const CodeInfo* stock = book_ != nullptr ? book_->FindByName(name.c_str()) : nullptr;
    if (stock == nullptr) {
      ShowMessage(Text(Txt::kStockNotFound));
      ClearHeader();
      return 0;
    }
    chosenCode = stock->key.code;
  }
  name_ = name;
  code_ = chosenCode;
  code9028_->setText(FromCp949(code_));
  const QString shownName = FromCp949(name_);
  int index = combo_->findText(shownName, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) {
    combo_->addItem(shownName);
    index = combo_->count() - 1;
  }
  combo_->setCurrentIndex(index);

  if (!OSTRADA_VERIFY(gate_.FetchNowPrice(&price_, code_.c_str()))) {
    ClearHeader();
    return 0;
  }
  ShowPrice();
  table_->SetReferencePrice(price_.bar.close - price_.bar.change);
  table_->SetStock(code_.c_str());
  if (contracts_ != nullptr) contracts_->Subscribe(code_.c_str());
  return 1;
}

void CCallFrm::ShowPrice() {
  price_.bar.rate = NowDayRate(&price_);
  // The price, its change and its rate in the colour of the change.
  const QColor colour = RiseFallColour(price_.bar.change);
  for (QLabel* label : {last9029_, change9030_, rate9031_}) {
    QPalette palette = this->palette();
    if (colour.isValid()) palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
  }
  last9029_->setText(Grouped(price_.bar.close));
  rate9031_->setText(RateText(price_.bar.rate));
  change9030_->setText(Grouped(price_.bar.change));
  volume9032_->setText(Grouped(static_cast<uint32_t>(price_.bar.volume)));
  // A stock that cannot open today has no opening reference.
  halted_->setText(price_.openingRef == 0 && price_.basePrice > 0 ? FromCp949(Text(Txt::kQuoteHalted)) : QString());
}

void CCallFrm::FollowContracts() {
  if (contracts_ != nullptr) return;
  contracts_ = new CWndConPower(this, kContractFeedId);
  if (!code_.empty()) contracts_->Subscribe(code_.c_str());
}

void CCallFrm::CatchUp() {
  if (code_.empty()) return;
  const std::string name = name_, code = code_;
  SetStock(name, code);
}

void CCallFrm::OnContract(intptr_t tape) {
  const std::unique_ptr<ContractTape> contract(reinterpret_cast<ContractTape*>(tape));
  if (!OSTRADA_VERIFY(contract != nullptr && contract->Head() != nullptr)) return;
  const ContractRecord& record = contract->Head()->record;
  if (code_.empty() || code_ != contract->Code()) return;
  const DayFigures shown{price_.bar.close, price_.bar.change, price_.bar.volume};
  const LiveDayStep step = FollowLiveDay(shown, record);
  if (step.figures == shown && !step.newDay) return;
  price_.bar.close = step.figures.price;
  price_.bar.change = step.figures.change;
  price_.bar.volume = static_cast<int32_t>(step.figures.volume);
  ShowPrice();
  // A new day's ladder rates count from its previous close.
  if (step.newDay) {
    table_->SetReferencePrice(step.figures.PreviousClose());
    table_->Show(&table_->Current());
  }
}

void CCallFrm::ChooseStock(const std::string& name, const std::string& code) {
  if (name == name_) {
    CurrentUiSink().Beep();
    return;
  }
  if (OSTRADA_VERIFY(SetStock(name, code))) SendWindowMessage(parentWidget(), WM_STOCK_CHANGED, kQuotePanel, 0);
}

void CCallFrm::OnComboCloseUp() {
  std::string name, code;
  if (combo_->TakeStock(&name, &code)) ChooseStock(name, code);
}

void CCallFrm::OnFindButton() {
  CFindCode finder(book_, this);
  finder.exec();
  if (finder.ChosenName().empty()) return;
  ChooseStock(finder.ChosenName(), finder.ChosenCode());
}

bool CCallFrm::event(QEvent* event) {
  if (AsWindowMessage(event, WM_PRICE_PICKED) != nullptr) {
    pickedPrice_ = table_->PickedPrice();
    SendWindowMessage(parentWidget(), WM_PRICE_PICKED);
    return true;
  }
  if (WindowMessageEvent* message = AsWindowMessage(event, WM_CONTRACT_FORWARD)) {
    OnContract(message->LParam());
    message->SetResult(1);
    return true;
  }
  return QWidget::event(event);
}

// ---- CCallDlg ----

CCallDlg::CCallDlg(const CodeInfoList* book, int mode, QWidget* parent)
    : QDialog(parent), StockWindow(static_cast<QWidget&>(*this)), book_(book) {
  setObjectName(QStringLiteral("dialog146"));
  setFont(TemplateFont());
  setWindowTitle(FromCp949(Text(mode == 1 ? Txt::kQuoteCaption5 : Txt::kQuoteCaption10)));
  form_ = new CCallFrm(book, mode, this);
  form_->FollowContracts();
  const DialogUnits units(font());
  const QSize size = units.Size(kDialogWidth, kDialogHeight);
  setFixedSize(std::max(size.width(), form_->width()), std::max(size.height(), form_->height()));
  form_->show();
  // The panel leaves the right end of its price line free, under the "?" button.
  PlaceLinkToggle(*this, LinkToggle(), LinkTogglePlace::kUnderStockBar);
}

std::string CCallDlg::StockCode() const {
  return form_->Code();
}

int CCallDlg::ShowStock(const std::string& code) {
  const std::string name = StockNameOf(book_, code);
  if (name.empty()) return 0;
  return code == form_->Code() ? 1 : form_->SetStock(name, code);
}

bool CCallDlg::event(QEvent* event) {
  if (AsWindowMessage(event, WM_STOCK_CHANGED) != nullptr) {
    Picks().Tell(form_->Code());
    return true;
  }
  return QDialog::event(event);
}

}  // namespace ostrada
