#include "app/chartwnd.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/chartview.h"
#include "app/findcode.h"
#include "app/qtext.h"
#include "app/windowmessages.h"
#include "app/wndconpower.h"
#include "basesrc/codeinfo.h"
#include "basesrc/codesearch.h"
#include "basesrc/coninfo.h"
#include "basesrc/daygate.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/liveday.h"
#include "basesrc/priceinfo.h"

namespace ostrada {

static constexpr char kModule[] = "app/chartwnd";
namespace {

// The control id of the hidden live-contract feed.
constexpr int kFeedId = 1470;

struct KindButton {
  char kind;
  const char* text;
};
constexpr KindButton kKindButtons[] = {{'D', "일"}, {'W', "주"}, {'M', "월"}, {'B', "분"}};
constexpr int32_t kIntervals[] = {1, 3, 5, 10, 15, 30, 60};

bool IsIndexCode(const std::string& code) {
  return code == "U001" || code == "U201";
}

}  // namespace

CChartWnd::CChartWnd(const CodeInfoList* book, IndexBars& indexBars, QWidget* parent)
    : QWidget(parent, Qt::Window), StockWindow(static_cast<QWidget&>(*this)), book_(book), indexBars_(indexBars) {
  setObjectName("chartWindow");
  setWindowTitle(QStringLiteral("차트"));
  setAttribute(Qt::WA_DeleteOnClose);
  BuildControls();
  feed_ = new CWndConPower(this, kFeedId);
  resize(900, 620);
}

CChartWnd::~CChartWnd() {
  StopIndexWatch();
  view_->SetData(nullptr);
}

void CChartWnd::BuildControls() {
  auto* top = new QHBoxLayout;
  stock_ = new QLineEdit(this);
  stock_->setObjectName("chartStock");
  stock_->setPlaceholderText(QStringLiteral("종목코드/종목명"));
  stock_->setMaximumWidth(160);
  connect(stock_, &QLineEdit::returnPressed, this, &CChartWnd::OnStockEntered);
  auto* find = new QPushButton(QStringLiteral("?"), this);
  find->setObjectName("chartFind");
  find->setFixedWidth(28);
  connect(find, &QPushButton::clicked, this, &CChartWnd::OnFindButton);
  name_label_ = new QLabel(this);
  name_label_->setObjectName("chartName");
  name_label_->setMinimumWidth(140);
  top->addWidget(stock_);
  top->addWidget(find);
  top->addWidget(name_label_);
  top->addStretch(1);

  kinds_ = new QButtonGroup(this);
  kinds_->setExclusive(true);
  for (const KindButton& entry : kKindButtons) {
    auto* button = new QPushButton(QString::fromUtf8(entry.text), this);
    button->setObjectName(QStringLiteral("chartKind%1").arg(QChar(entry.kind)));
    button->setCheckable(true);
    button->setChecked(entry.kind == kind_);
    button->setFixedWidth(34);
    kinds_->addButton(button, entry.kind);
    top->addWidget(button);
  }
  connect(kinds_, &QButtonGroup::idClicked, this, [this](int kind) { SetKind(static_cast<char>(kind)); });
  intervals_ = new QComboBox(this);
  intervals_->setObjectName("chartInterval");
  for (int32_t minutes : kIntervals) intervals_->addItem(QStringLiteral("%1분").arg(minutes), minutes);
  intervals_->setCurrentIndex(intervals_->findData(interval_));
  connect(intervals_, &QComboBox::activated, this, [this](int row) {
    interval_ = intervals_->itemData(row).toInt();
    if (kind_ == 'B') Reload();
  });
  top->addWidget(intervals_);
  // The toggle stands among the controls.
  LinkToggle().setObjectName("chartLink");
  top->addWidget(&LinkToggle());

  view_ = new CChartView(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addLayout(top);
  layout->addWidget(view_, 1);
}

void CChartWnd::showStock(const QString& code) {
  const std::string wanted = ToCp949(code.trimmed());
  std::string name;
  if (IsIndexCode(wanted)) {
    name = wanted == "U001" ? Text(Txt::kDayIndexName) : Text(Txt::kChartSecondIndexName);
  } else if (const CodeInfo* entry = book_ != nullptr ? book_->FindByCode(wanted.c_str()) : nullptr) {
    name = entry->key.name ? entry->key.name.get() : wanted;
  } else {
    ShowMessage(Text(Txt::kChooseStockExactly));
    return;
  }
  code_ = wanted;
  name_ = name;
  stock_->setText(FromCp949(code_));
  name_label_->setText(FromCp949(name_));
  setWindowTitle(QStringLiteral("차트 - ") + FromCp949(name_));
  Reload();
}

int CChartWnd::ShowStock(const std::string& code) {
  if (code != code_) showStock(QString::fromLatin1(code.c_str()));
  return code_ == code ? 1 : 0;
}

void CChartWnd::OnStockEntered() {
  const std::string typed = ToCp949(stock_->text().trimmed());
  // A stock as every stock box takes it (a name, a code with or without its letter); an index by its code.
  const CodeInfo* stock = FindTypedStock(book_, typed);
  const QString code = stock != nullptr ? FromCp949(stock->key.code) : FromCp949(typed).toUpper();
  const std::string before = code_;
  showStock(code);
  if (code_ != before) Picks().Tell(code_);
}

void CChartWnd::OnFindButton() {
  CFindCode finder(book_, this);
  finder.exec();
  if (finder.ChosenCode().empty()) return;
  showStock(FromCp949(finder.ChosenCode()));
  Picks().Tell(code_);
}

void CChartWnd::SetKind(char kind) {
  if (kind == kind_) return;
  kind_ = kind;
  if (QAbstractButton* button = kinds_->button(kind)) button->setChecked(true);
  Reload();
}

void CChartWnd::Reload() {
  if (code_.empty()) return;
  const int hundredths = IsIndexCode(code_) ? 1 : 0;
  std::unique_ptr<DaySeries> series =
      kind_ == 'B' ? gate_.DownloadMinuteBarsNew(code_.c_str(), name_.c_str(), interval_, kMinuteBarsAsked, hundredths)
                   : gate_.DownloadBarsNew(code_.c_str(), name_.c_str(), kDayBarsAsked, 1, kind_, 0, 0, hundredths);
  data_ = series != nullptr ? chart::FromSeries(*series, hundredths == 1) : chart::ChartData{};
  data_.code = code_;
  data_.name = name_;
  data_.kind = kind_;
  data_.hundredths = hundredths == 1;
  view_->SetData(&data_);
  // The exchange streams contracts of stocks only; an index's newest bar is followed instead (its
  // minute chart stands as downloaded).
  StopIndexWatch();
  if (hundredths == 1) {
    feed_->Unsubscribe();
    if (kind_ != 'B')
      indexWatch_ = indexBars_.Watch(code_, kind_, [this](const DaySeries* newest) { OnIndexBar(newest); });
  } else {
    feed_->Subscribe(code_.c_str());
  }
}

void CChartWnd::StopIndexWatch() {
  if (indexWatch_ != 0) indexBars_.Unwatch(indexWatch_);
  indexWatch_ = 0;
}

void CChartWnd::OnIndexBar(const DaySeries* newest) {
  if (newest == nullptr || data_.bars.empty()) return;
  const chart::ChartData fresh = chart::FromSeries(*newest, true);
  const chart::Bar& bar = fresh.bars.back();
  const int oldTotal = static_cast<int>(data_.bars.size());
  // A week's or a month's bar is dated by its latest day: the next day of the period is the same bar.
  if (chart::SameBar(data_, data_.bars.back(), bar.date, bar.time)) {
    const int32_t previousClose = data_.bars.back().previousClose;
    data_.bars.back() = bar;
    data_.bars.back().previousClose = previousClose;
  } else if (bar.date > data_.bars.back().date) {
    data_.bars.push_back(bar);
    data_.bars.back().previousClose = data_.bars[data_.bars.size() - 2].close;
  } else {
    return;
  }
  chart::ComputeAverages(data_);
  view_->DataChanged(oldTotal);
}

bool CChartWnd::event(QEvent* event) {
  if (WindowMessageEvent* message = AsWindowMessage(event, WM_CONTRACT_FORWARD)) {
    OnContract(message->LParam());
    message->SetResult(1);
    return true;
  }
  return QWidget::event(event);
}

void CChartWnd::OnContract(intptr_t lParam) {
  const std::unique_ptr<ContractTape> tape(reinterpret_cast<ContractTape*>(lParam));
  if (!OSTRADA_VERIFY(tape != nullptr && tape->Head() != nullptr)) return;
  const ContractRecord& record = tape->Head()->record;
  // Only trades of the regular session move the day's bar: a call auction's are expected prices
  // and quantities, which the day's bar on the server never takes.
  if (!IsSessionTrade(record) || record.price <= 0 || code_ != tape->Code()) return;
  const int32_t today = TodayYYYYMMDD();
  const int32_t barTime = kind_ == 'B' ? BarEndTime(record.timeHHMMSS, interval_) : today;
  ++eventsShown_;
  const int oldTotal = static_cast<int>(data_.bars.size());
  chart::ApplyContract(data_, today, barTime, record.price, record.tickVolume);
  view_->DataChanged(oldTotal);
}

}  // namespace ostrada
