#include "app/journalwnd.h"

#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <optional>

#include "app/chartview.h"
#include "app/journalmodel.h"
#include "app/qtext.h"
#include "app/risefall.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/datafolder.h"
#include "basesrc/foundation/files.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/foundation/uisink.h"
#include "basesrc/numberformat.h"
#include "broker/sim/paper/paper_account.h"

namespace ostrada {
namespace {

constexpr const char* kDateFormat = "yyyy-MM-dd";

struct TableTab {
  sim::JournalView view;
  Txt title;
  const char* name;
};
constexpr TableTab kTableTabList[CJournalWnd::kTableTabs] = {
    {sim::JournalView::kDay, Txt::kJournalByDay, "journalDays"},
    {sim::JournalView::kStock, Txt::kJournalByStock, "journalStocks"},
    {sim::JournalView::kFill, Txt::kJournalByFill, "journalFills"},
    {sim::JournalView::kOrder, Txt::kJournalByOrder, "journalOrders"},
};

// The totals as they stand in the panel: four pairs of a title and its figure a line.
struct TotalItem {
  const char* key;
  Txt title;
};
constexpr TotalItem kTotalItems[] = {
    {"realised", Txt::kJournalRealised},       {"commission", Txt::kJournalCommission},
    {"tax", Txt::kJournalTax},                 {"winRatio", Txt::kJournalWinRatio},
    {"averageWin", Txt::kJournalAverageWin},   {"averageLoss", Txt::kJournalAverageLoss},
    {"largestWin", Txt::kJournalLargestWin},   {"largestLoss", Txt::kJournalLargestLoss},
    {"profitFactor", Txt::kJournalProfitFactor}, {"maxDrawdown", Txt::kJournalMaxDrawdown},
    {"startEquity", Txt::kJournalStartEquity}, {"endEquity", Txt::kJournalEquity},
};
constexpr int kTotalPairsALine = 4;

QString Caption(Txt id) {
  return FromCp949(Text(id));
}

int32_t DateNumber(const QDate& date) {
  return date.year() * 10000 + date.month() * 100 + date.day();
}
QDate DateOf(int32_t yyyymmdd) {
  return QDate(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}

QString Won(int64_t value) {
  return FromCp949(FormatNumber(value));
}
QString Ratio(const std::optional<int64_t>& hundredths, const char* unit) {
  return hundredths ? FromCp949(sim::HundredthsText(*hundredths)) + QLatin1String(unit) : QStringLiteral("-");
}

}  // namespace

sim::JournalPlace JournalPlaceOf(const sim::ExchangeOptions& exchange) {
  return {exchange.paper.ledgerPath, sim::PaperAccountNumbers().back(), exchange.seed, exchange.stocks};
}

CJournalWnd::CJournalWnd(sim::JournalPlace place, QWidget* parent)
    : QWidget(parent, Qt::Window),
      StockWindow(static_cast<QWidget&>(*this)),
      place_(std::move(place)),
      journal_(std::make_shared<const sim::Journal>()) {
  setObjectName("journalWindow");
  setWindowTitle(Caption(Txt::kJournalWindowTitle) + QStringLiteral(" - ") + FromCp949(place_.account));
  setAttribute(Qt::WA_DeleteOnClose);
  BuildControls();
  resize(1000, 620);
  // The whole record first: the range boxes then show where it begins and ends.
  WaitCursor wait;
  std::string problem;
  std::optional<sim::Journal> opened = sim::OpenJournal(place_, 0, 0, problem);
  if (!opened) {
    ShowMessage(problem);
    return;
  }
  journal_ = std::make_shared<const sim::Journal>(std::move(*opened));
  if (journal_->from > 0) from_->setDate(DateOf(journal_->from));
  if (journal_->to > 0) to_->setDate(DateOf(journal_->to));
  ShowJournal();
}

CJournalWnd::~CJournalWnd() {
  chart_->SetData(nullptr);
}

void CJournalWnd::BuildControls() {
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(Caption(Txt::kJournalPeriod), this));
  const QDate today = QDate::currentDate();
  for (QDateEdit** edit : {&from_, &to_}) {
    *edit = new QDateEdit(today, this);
    (*edit)->setDisplayFormat(QLatin1String(kDateFormat));
    (*edit)->setCalendarPopup(true);
  }
  from_->setObjectName("journalFrom");
  to_->setObjectName("journalTo");
  top->addWidget(from_);
  top->addWidget(new QLabel(QStringLiteral("~"), this));
  top->addWidget(to_);
  auto* show = new QPushButton(Caption(Txt::kJournalShow), this);
  show->setObjectName("journalShow");
  connect(show, &QPushButton::clicked, this, [this] { ShowRange(); });
  top->addWidget(show);
  top->addStretch(1);
  auto* exportButton = new QPushButton(Caption(Txt::kJournalExport), this);
  exportButton->setObjectName("journalExport");
  connect(exportButton, &QPushButton::clicked, this, &CJournalWnd::OnExport);
  top->addWidget(exportButton);
  LinkToggle().setObjectName("journalLink");
  top->addWidget(&LinkToggle());

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("journalTabs");
  for (const TableTab& tab : kTableTabList) {
    const auto at = static_cast<size_t>(tab.view);
    models_[at] = new CJournalModel(tab.view, this);
    views_[at] = new QTableView(this);
    QTableView& view = *views_[at];
    view.setObjectName(QLatin1String(tab.name));
    view.setModel(models_[at]);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setAlternatingRowColors(true);
    view.verticalHeader()->hide();
    view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 6);
    connect(&view, &QTableView::doubleClicked, this,
            [this, which = tab.view](const QModelIndex& index) { OnRowActivated(which, index.row()); });
    tabs_->addTab(&view, Caption(tab.title));
  }
  auto* equityPage = new QWidget(this);
  chart_ = new CChartView(equityPage);
  chart_->setObjectName("journalEquity");
  thousands_ = new QLabel(Caption(Txt::kJournalThousands), equityPage);
  thousands_->setObjectName("journalThousands");
  thousands_->setAlignment(Qt::AlignRight);
  thousands_->hide();
  auto* equityLayout = new QVBoxLayout(equityPage);
  equityLayout->setContentsMargins(0, 0, 0, 0);
  equityLayout->addWidget(thousands_);
  equityLayout->addWidget(chart_, 1);
  tabs_->addTab(equityPage, Caption(Txt::kJournalEquityTitle));
  connect(tabs_, &QTabWidget::currentChanged, this, &CJournalWnd::SizeShownTab);

  auto* rule = new QLabel(Caption(Txt::kJournalRule), this);
  rule->setObjectName("journalRule");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addLayout(top);
  layout->addLayout(BuildTotals());
  layout->addWidget(tabs_, 1);
  layout->addWidget(rule);
}

QLayout* CJournalWnd::BuildTotals() {
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  int i = 0;
  for (const TotalItem& item : kTotalItems) {
    const int line = i / kTotalPairsALine, column = i % kTotalPairsALine * 2;
    grid->addWidget(new QLabel(Caption(item.title), this), line, column);
    auto* value = new QLabel(this);
    value->setObjectName(QStringLiteral("journalTotal_") + QLatin1String(item.key));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(value, line, column + 1);
    totals_[item.key] = value;
    ++i;
  }
  for (int column = 1; column < kTotalPairsALine * 2; column += 2) grid->setColumnStretch(column, 1);
  return grid;
}

int CJournalWnd::ShowRange() {
  const int32_t from = DateNumber(from_->date()), to = DateNumber(to_->date());
  if (from > to) {
    ShowMessage(Text(Txt::kJournalBadRange) + std::to_string(from) + " > " + std::to_string(to));
    return 0;
  }
  WaitCursor wait;
  std::string problem;
  std::optional<sim::Journal> opened = sim::OpenJournal(place_, from, to, problem);
  journal_ = std::make_shared<const sim::Journal>(opened ? std::move(*opened) : sim::Journal{});
  ShowJournal();
  if (!opened) {
    ShowMessage(problem);
    return 0;
  }
  if (!journal_->HasTrades())
    ShowMessage(Text(Txt::kJournalNoTrades) + ToCp949(from_->text()) + " ~ " + ToCp949(to_->text()));
  return 1;
}

void CJournalWnd::ShowJournal() {
  for (CJournalModel* model : models_) model->SetJournal(journal_);
  sized_ = {};
  SizeShownTab();
  chart_->SetData(nullptr);
  bool thousands = false;
  equity_ = sim::EquityChart(*journal_, &thousands);
  chart_->SetData(&equity_);
  thousands_->setVisible(thousands);
  ShowTotals();
  if (!code_.empty()) ShowStock(code_);
}

void CJournalWnd::ShowTotals() {
  const sim::JournalTotals& t = journal_->totals;
  const auto show = [this](const char* key, const QString& text, int64_t sign) {
    QLabel& label = *totals_.at(key);
    label.setText(text);
    QPalette palette = label.palette();
    const QColor colour = RiseFallColour(sign);
    palette.setColor(QPalette::WindowText, colour.isValid() ? colour : palette.color(QPalette::Text));
    label.setPalette(palette);
  };
  show("realised", Won(t.realised), t.realised);
  show("commission", Won(t.commission), 0);
  show("tax", Won(t.tax), 0);
  show("winRatio", Ratio(t.WinRatioBasisPoints(), "%"), 0);
  show("averageWin", Won(t.AverageWin()), t.AverageWin());
  show("averageLoss", Won(t.AverageLoss()), t.AverageLoss());
  show("largestWin", Won(t.largestWin), t.largestWin);
  show("largestLoss", Won(t.largestLoss), t.largestLoss);
  show("profitFactor", Ratio(t.ProfitFactorHundredths(), ""), 0);
  show("maxDrawdown", Won(t.maxDrawdown) + QStringLiteral(" (") + Ratio(t.DrawdownBasisPoints(), "%)"),
       -t.maxDrawdown);
  show("startEquity", Won(t.startEquity), 0);
  show("endEquity", Won(t.endEquity), t.endEquity - t.startEquity);
}

void CJournalWnd::SizeShownTab() {
  const int tab = tabs_->currentIndex();
  if (tab < 0 || tab >= kTableTabs) return;
  const auto at = static_cast<size_t>(kTableTabList[tab].view);
  if (sized_[at]) return;
  sized_[at] = true;
  SizeColumns(*views_[at]);
}

void CJournalWnd::SizeColumns(QTableView& view) const {
  const auto& model = static_cast<const CJournalModel&>(*view.model());
  // The widest text and the item's margins on both sides, so no number is ever cut.
  const int margins = 2 * (view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1) + 8;
  for (int column = 0; column < model.columnCount(); ++column) {
    view.resizeColumnToContents(column);
    const int widest = view.fontMetrics().horizontalAdvance(model.WidestText(column)) + margins;
    if (view.columnWidth(column) < widest) view.setColumnWidth(column, widest);
  }
}

int CJournalWnd::ShowStock(const std::string& code) {
  code_ = code;
  for (const sim::JournalView view : {sim::JournalView::kStock, sim::JournalView::kFill, sim::JournalView::kOrder}) {
    const CJournalModel& model = Model(view);
    QTableView& table = TableView(view);
    table.clearSelection();
    for (int row = 0; row < model.rowCount(); ++row) {
      if (model.CodeAt(row) != code) continue;
      table.selectRow(row);
      table.scrollTo(model.index(row, 0));
      break;
    }
  }
  return 1;
}

void CJournalWnd::OnRowActivated(sim::JournalView view, int row) {
  const std::string code = Model(view).CodeAt(row);
  if (code.empty()) return;
  code_ = code;
  Picks().Tell(code);
}

sim::JournalView CJournalWnd::ExportedView() const {
  const int tab = tabs_->currentIndex();
  return tab >= 0 && tab < kTableTabs ? kTableTabList[tab].view : sim::JournalView::kDay;
}

int CJournalWnd::ExportTo(const std::string& path) {
  if (ReplaceFileWith(path.c_str(), sim::JournalCsv(sim::TableOf(*journal_, ExportedView()))) == 1) return 1;
  ShowMessage(Text(Txt::kJournalExportFailed) + Utf8ToCp949(path));
  return 0;
}

void CJournalWnd::OnExport() {
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("journalExportDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  dialog.setNameFilter(Caption(Txt::kJournalExportFilter));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setDirectory(QString::fromStdString(DataFolder()));
  const int tab = tabs_->currentIndex();
  dialog.selectFile(Caption(Txt::kJournalWindowTitle) + QLatin1Char('_') + tabs_->tabText(tab) + QLatin1Char('_') +
                    QString::number(journal_->from) + QLatin1Char('_') + QString::number(journal_->to) +
                    QStringLiteral(".csv"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  ExportTo(dialog.selectedFiles().constFirst().toStdString());
}

}  // namespace ostrada
