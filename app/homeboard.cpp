#include "app/homeboard.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "app/findcode.h"
#include "app/loginmemory.h"
#include "app/qtext.h"
#include "app/risefall.h"
#include "app/sessionpace.h"
#include "basesrc/chartmodel.h"
#include "basesrc/codeinfo.h"
#include "basesrc/daygate.h"
#include "basesrc/eventsink.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/liveday.h"
#include "basesrc/nowgate.h"
#include "basesrc/numberformat.h"
#include "broker/clsid.h"
#include "broker/comerror.h"
#include "broker/server.h"

namespace ostrada {

namespace {

using broker::ComError;
using broker::Variant;

constexpr int kMostCodesPerRequest = 110;

struct IndexItem {
  const char* code;
  const char* caption;
};
constexpr IndexItem kIndexes[] = {{"U001", "종합"}, {"U201", "코스닥"}};

QString Colored(const QString& text, int64_t change) {
  const QColor colour = RiseFallColour(change);
  return colour.isValid() ? QStringLiteral("<span style=\"color:%1\">%2</span>").arg(colour.name(), text) : text;
}

}  // namespace

// One watchlist row's live contract object with its sink; events reach the board synchronously.
struct CHomeBoard::LiveRow : WindowHandle {
  CHomeBoard* board = nullptr;
  std::string code;
  std::shared_ptr<broker::IMarketRequest> object;
  std::unique_ptr<CEventSink> sink;

  intptr_t SendMessage(uint32_t message, uintptr_t, intptr_t) override {
    if (message == WM_EVENT_RECEIVED) board->OnLiveEvent(*this);
    return 1;
  }
  ~LiveRow() override {
    try {
      if (sink != nullptr && object != nullptr) {
        object->SetInput(0, Variant::Text(""));
        object->Unsubscribe();
        sink->Unadvise(*object);
      }
    } catch (const ComError&) {
      // A server that is gone has no subscription left to end.
    }
  }
};

CHomeBoard::CHomeBoard(const CodeInfoList* book, TradingSession& session, IndexBars& indexBars, QWidget* parent,
                       std::string watchlistPath)
    : QWidget(parent),
      book_(book),
      session_(session),
      indexBars_(indexBars),
      path_(watchlistPath.empty() ? WatchlistFileName() : std::move(watchlistPath)) {
  setObjectName("homeBoard");
  BuildControls();
  LoadRows();
  for (size_t i = 0; i < std::size(kIndexes); ++i)
    indexWatches_[i] = indexBars_.Watch(kIndexes[i].code, 'D', [this, i](const DaySeries* newest) { ShowIndex(i, newest); });
  ShowAccount();
  sessionListener_ = session_.AddListener([this](TradingSession::Change, char) { ShowAccount(); });
  refresh_ = new SessionPace(kRefreshMs, [this] { Refresh(); }, this);
}

CHomeBoard::~CHomeBoard() {
  for (const int watch : indexWatches_) indexBars_.Unwatch(watch);
  session_.RemoveListener(sessionListener_);
}

void CHomeBoard::BuildControls() {
  auto* strip = new QHBoxLayout;
  for (size_t i = 0; i < std::size(kIndexes); ++i) {
    indexes_[i] = new QLabel(this);
    indexes_[i]->setObjectName(QStringLiteral("index%1").arg(QString::fromLatin1(kIndexes[i].code)));
    indexes_[i]->setTextFormat(Qt::RichText);
    QFont font = indexes_[i]->font();
    font.setPointSizeF(font.pointSizeF() * 1.25);
    indexes_[i]->setFont(font);
    strip->addWidget(indexes_[i]);
    strip->addSpacing(24);
  }
  strip->addStretch(1);

  auto* title = new QLabel(FromCp949(Text(Txt::kWatchlistTitle)), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  auto* add = new QPushButton(QStringLiteral("추가"), this);
  add->setObjectName("watchAdd");
  connect(add, &QPushButton::clicked, this, &CHomeBoard::OnAddButton);
  auto* remove = new QPushButton(QStringLiteral("삭제"), this);
  remove->setObjectName("watchRemove");
  connect(remove, &QPushButton::clicked, this, [this] {
    const QModelIndex current = table_->currentIndex();
    if (current.isValid()) RemoveRow(current.row());
  });
  auto* tools = new QHBoxLayout;
  tools->addWidget(title);
  tools->addStretch(1);
  tools->addWidget(add);
  tools->addWidget(remove);

  table_ = new QTableView(this);
  table_->setObjectName("watchlist");
  table_->setModel(&model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) emit stockChosen(FromCp949(model_.Rows()[static_cast<size_t>(index.row())].code));
  });

  // A board without the stock list would be an empty table, which says nothing of why.
  notice_ = new QLabel(FromCp949(Text(Txt::kBoardWithoutStocks)), this);
  notice_->setObjectName("boardNotice");
  notice_->setWordWrap(true);
  notice_->setVisible(book_ == nullptr);

  account_ = new QLabel(this);
  account_->setObjectName("accountLine");
  account_->setTextFormat(Qt::RichText);
  account_->setToolTip(FromCp949(Text(Txt::kProfitAfterCostsNote)));
  account_->hide();
  login_ = new QPushButton(QStringLiteral("계좌 로그인"), this);
  login_->setObjectName("boardLogin");
  connect(login_, &QPushButton::clicked, this, &CHomeBoard::LogIn);
  remember_ = new QCheckBox(FromCp949(Text(Txt::kTrdRememberLogin)), this);
  remember_->setObjectName("rememberLogin");
  remember_->setChecked(LoginRemembered());
  connect(remember_, &QCheckBox::toggled, this, [](bool on) { SetLoginRemembered(on); });
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(account_, 1);
  bottom->addWidget(remember_);
  bottom->addWidget(login_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(strip);
  layout->addLayout(tools);
  layout->addWidget(notice_);
  layout->addWidget(table_, 1);
  layout->addLayout(bottom);
}

void CHomeBoard::LoadRows() {
  std::vector<WatchEntry> entries;
  const int loaded = LoadWatchlist(path_, &entries);
  if (loaded < 0) {  // told; the file stays as it is for the user to mend
    fileUnread_ = true;
    return;
  }
  // A new user's list is written at the user's first edit, so merely looking writes nothing.
  if (loaded == 0) entries = MostTraded();
  std::vector<WatchRow> rows;
  for (const WatchEntry& entry : entries) {
    const CodeInfo* stock = book_ != nullptr ? book_->FindByCode(entry.code.c_str()) : nullptr;
    // A stock the book does not list (delisted, or another market's list) has no row but stays in
    // the file.
    if (stock == nullptr) {
      unlisted_.push_back(entry);
      continue;
    }
    rows.push_back({entry.code, stock->key.name ? stock->key.name.get() : entry.name});
  }
  // Without a book every stock is unlisted, and that failure was told already.
  if (book_ != nullptr && !unlisted_.empty()) ShowMessage(UnlistedText(unlisted_, path_));
  FillPrices(rows);
  model_.SetRows(std::move(rows));
  for (const WatchRow& row : model_.Rows()) Subscribe(row.code);
}

std::vector<WatchEntry> CHomeBoard::MostTraded() {
  std::vector<WatchEntry> entries;
  if (book_ == nullptr) return entries;
  std::unique_ptr<NowGate> market = gate_.DownloadNowBook(*book_, kNowKeyVolumeDown);
  for (const NowInfo* stock = market ? market->First() : nullptr;
       stock != nullptr && static_cast<int>(entries.size()) < kFirstRows; stock = stock->next) {
    entries.push_back({stock->key.code, stock->key.name ? stock->key.name.get() : ""});
  }
  return entries;
}

void CHomeBoard::FillPrices(std::vector<WatchRow>& rows) {
  for (size_t first = 0; first < rows.size(); first += kMostCodesPerRequest) {
    std::string codes;
    for (size_t i = first; i < std::min(rows.size(), first + kMostCodesPerRequest); ++i)
      codes += (codes.empty() ? "" : ",") + rows[i].code;
    std::unique_ptr<NowGate> prices = gate_.DownloadNowCodes(codes.c_str(), kNowKeyCode);
    if (prices == nullptr) return;  // told by the gateway; the rows wait for their first contract
    for (size_t i = first; i < std::min(rows.size(), first + kMostCodesPerRequest); ++i) {
      if (const NowInfo* now = prices->FindByCode(rows[i].code.c_str())) {
        rows[i].price = now->price.bar.close;
        rows[i].change = now->price.bar.change;
        rows[i].volume = static_cast<uint32_t>(now->price.bar.volume);
      }
    }
  }
}

void CHomeBoard::Subscribe(const std::string& code) {
  auto row = std::make_unique<LiveRow>();
  row->board = this;
  row->code = code;
  try {
    row->object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kContractsLive);
    row->sink = std::make_unique<CEventSink>(row.get());
    row->sink->Advise(*row->object);
    row->object->SetInput(0, Variant::Text(code));
    row->object->Subscribe();
  } catch (const ComError& error) {
    ShowMessage(error.Description());
    return;
  }
  live_.push_back(std::move(row));
}

void CHomeBoard::OnLiveEvent(LiveRow& row) {
  try {
    std::string code, name;
    const ContractRecord record = ReadLiveContract(*row.object, &code, &name);
    if (code != row.code) return;
    const std::vector<WatchRow>& rows = model_.Rows();
    const auto shown = std::find_if(rows.begin(), rows.end(), [&](const WatchRow& r) { return r.code == code; });
    if (shown == rows.end()) return;
    const DayFigures before{shown->price, shown->change, shown->volume};
    const LiveDayStep step = FollowLiveDay(before, record);
    if (step.trade) ++eventsShown_;
    if (step.figures != before) model_.Update(code, step.figures.price, step.figures.change, step.figures.volume);
  } catch (const ComError& error) {
    ShowMessage(error.Description());
  }
}

void CHomeBoard::Refresh() {
  session_.Tick();
  ShowAccount();
}

void CHomeBoard::CatchUp() {
  if (session_.LoggedIn()) session_.RefreshAccount();
  ShowAccount();
  std::vector<WatchRow> rows = model_.Rows();
  FillPrices(rows);
  for (const WatchRow& row : rows) model_.Update(row.code, row.price, row.change, row.volume);
}

void CHomeBoard::ShowIndex(size_t i, const DaySeries* newest) {
  const QString caption = QString::fromUtf8(kIndexes[i].caption);
  if (newest == nullptr) {
    indexes_[i]->setText(caption);
    return;
  }
  const PriceBar& bar = newest->Newest()->price;
  const int64_t previous = int64_t{bar.close} - bar.change;
  const double rate = previous > 0 ? bar.change * 100.0 / static_cast<double>(previous) : 0.0;
  const QString figures =
      QStringLiteral("%1  %2  %3%")
          .arg(QString::fromStdString(chart::PriceText(bar.close, true)),
               QString::fromStdString(chart::PriceText(bar.change, true)), QString::asprintf("%.2f", rate));
  indexes_[i]->setText(QStringLiteral("<b>%1</b>  ").arg(caption) + Colored(figures, bar.change));
}

int CHomeBoard::LogIn() {
  return session_.LogIn();
}

void CHomeBoard::ShowAccount() {
  const bool in = session_.LoggedIn();
  login_->setVisible(!in);
  account_->setVisible(in);
  if (!in) return;
  const AccountSnapshot& snapshot = session_.Snapshot();
  const std::optional<int64_t> value = snapshot.Value();
  const std::optional<int64_t> profit = snapshot.Profit();
  const std::optional<int32_t> open = snapshot.OpenOrders();
  const auto number = [](int64_t n) { return QString::fromStdString(FormatNumber(n)); };
  const QString unknown = QStringLiteral("-");
  account_->setText(QStringLiteral("<b>%1</b> %2   예수금 %3   평가금액 %4   평가손익 %5   미체결 %6건")
                        .arg(FromCp949(session_.Account()), FromCp949(Text(Txt::kTrdLoggedIn)),
                             snapshot.cash ? number(snapshot.cash->totalDeposit) : unknown,
                             value ? number(*value) : unknown, profit ? Colored(number(*profit), *profit) : unknown,
                             open ? QString::number(*open) : unknown));
}

int CHomeBoard::AddStock(const std::string& code) {
  const CodeInfo* stock = book_ != nullptr ? book_->FindByCode(code.c_str()) : nullptr;
  if (stock == nullptr) {
    ShowMessage(Text(Txt::kChooseStockExactly));
    return 0;
  }
  for (const WatchRow& row : model_.Rows()) {
    if (row.code == code) {
      ShowMessage(Text(Txt::kWatchlistAlreadyListed));
      return 0;
    }
  }
  std::vector<WatchRow> added = {{code, stock->key.name ? stock->key.name.get() : code}};
  FillPrices(added);
  model_.Append(std::move(added.front()));
  Subscribe(code);
  SaveRows();
  return 1;
}

void CHomeBoard::RemoveRow(int row) {
  if (row < 0 || row >= model_.rowCount()) return;
  const std::string code = model_.Rows()[static_cast<size_t>(row)].code;
  model_.Remove(row);
  std::erase_if(live_, [&](const std::unique_ptr<LiveRow>& live) { return live->code == code; });
  SaveRows();
}

void CHomeBoard::SaveRows() {
  if (fileUnread_) {
    ShowMessage(TextWithPath(Txt::kWatchlistNotSaved, path_));
    return;
  }
  std::vector<WatchEntry> entries;
  for (const WatchRow& row : model_.Rows()) entries.push_back({row.code, row.name});
  entries.insert(entries.end(), unlisted_.begin(), unlisted_.end());
  SaveWatchlist(path_, entries, Text(Txt::kWatchlistTitle));
}

void CHomeBoard::OnAddButton() {
  CFindCode finder(book_, this);
  finder.exec();
  if (!finder.ChosenCode().empty()) AddStock(finder.ChosenCode());
}

}  // namespace ostrada
