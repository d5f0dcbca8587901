#include "app/trdbuytbl.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "app/closeupcombo.h"
#include "app/dialogunits.h"
#include "app/findcode.h"
#include "app/numberedit.h"
#include "app/orderconfirm.h"
#include "app/qtext.h"
#include "app/trdlistcells.h"
#include "app/watchpanel.h"
#include "app/windowmessages.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/trdrun.h"
#include "basesrc/trdyet.h"

namespace ostrada {

static constexpr char kModule[] = "app/trdbuytbl";

namespace {

// The form's size in dialog units: the template's height with a line for the acknowledgement, and
// the width that the widest numbers of the holdings list need. The buttons stand in a column at the
// right.
constexpr int kFormWidth = 190, kFormHeight = 252;
constexpr int kButtonX = 140, kButtonWidth = 47;
// The send button leaves room at its right for the confirmation check box.
constexpr int kSendWidth = 134;
constexpr int kListsTop = 99;
// The order panel's word in WM_STOCK_CHANGED.
constexpr uintptr_t kOrderPanel = 1;

}  // namespace

CTrdBuyTbl::CTrdBuyTbl(const CodeInfoList* book, TradingSession& session, QWidget* parent)
    : QWidget(parent), book_(book), session_(session) {
  setObjectName(QStringLiteral("dialog144"));
  setFont(TemplateFont());

  // Choosing another name of the list, or typing a stock, makes that stock current: the name shown
  // is always the stock an order goes to.
  combo9014_ = new CloseUpComboBox(this, book_, [this] {
    std::string name, code;
    if (combo9014_->TakeStock(&name, &code) && code != code_ && SetStock(name, code)) TellStockChanged();
  });
  combo9014_->setObjectName(QStringLiteral("combo9014"));
  code9028_ = new QLabel(this);
  code9028_->setObjectName(QStringLiteral("static9028"));
  find9034_ = MakeButton(9034, QStringLiteral("?"));
  connect(find9034_, &QPushButton::clicked, this, &CTrdBuyTbl::OnFindButton);
  clear1427_ = MakeButton(1427, QStringLiteral("삭제"));
  connect(clear1427_, &QPushButton::clicked, this, &CTrdBuyTbl::ClearStock);
  login1428_ = MakeButton(1428, QStringLiteral("=> On"));
  connect(login1428_, &QPushButton::clicked, this, &CTrdBuyTbl::Login);
  options1424_ = MakeButton(1424, QStringLiteral("설정"));
  connect(options1424_, &QPushButton::clicked, this, &CTrdBuyTbl::OpenOptions);
  refresh1423_ = MakeButton(1423, QStringLiteral("조회"));
  connect(refresh1423_, &QPushButton::clicked, this, &CTrdBuyTbl::Refresh);
  send1426_ = MakeButton(1426, FromCp949(Text(Txt::kTrdBuy)));
  connect(send1426_, &QPushButton::clicked, this, &CTrdBuyTbl::Send);
  confirm_ = new QCheckBox(FromCp949(Text(Txt::kTrdConfirmCaption)), this);
  confirm_->setObjectName(QStringLiteral("checkConfirm"));
  confirm_->setChecked(OrderConfirmationOn());
  connect(confirm_, &QCheckBox::toggled, this, [](bool on) { SetOrderConfirmation(on); });
  acknowledgement_ = new QLabel(this);
  acknowledgement_->setObjectName(QStringLiteral("staticAcknowledgement"));

  // The radios' captions are the catalogue's words for the actions and order types.
  const auto makeGroup = [this](std::initializer_list<std::pair<int, Txt>> radios) {
    auto* group = new QButtonGroup(this);
    for (const auto& [id, text] : radios) {
      auto* radio = new QRadioButton(FromCp949(Text(text)), this);
      radio->setObjectName(QStringLiteral("radio%1").arg(id));
      group->addButton(radio, id);
    }
    return group;
  };
  actions_ = makeGroup({{kBuy, Txt::kTrdBuy}, {kSell, Txt::kTrdSell}, {kModify, Txt::kTrdModify},
                        {kCancel, Txt::kTrdCancel}});
  orderTypes_ = makeGroup({{kLimit, Txt::kTrdLimit}, {kMarket, Txt::kTrdMarket}});
  partAll_ = new QButtonGroup(this);
  for (const auto& [id, text] : {std::pair{kPart, "일부"}, std::pair{kAll, "전부"}}) {
    auto* radio = new QRadioButton(QString::fromUtf8(text), this);
    radio->setObjectName(QStringLiteral("radio%1").arg(id));
    partAll_->addButton(radio, id);
  }
  connect(actions_, &QButtonGroup::idClicked, this, &CTrdBuyTbl::ChooseAction);
  connect(orderTypes_, &QButtonGroup::idClicked, this, &CTrdBuyTbl::ChooseOrderType);
  connect(partAll_, &QButtonGroup::idClicked, this, &CTrdBuyTbl::ChoosePartOrAll);

  const auto makeEdit = [this](int id) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("edit%1").arg(id));
    MakeNumberEdit(*edit);
    return edit;
  };
  quantity1420_ = makeEdit(1420);
  price1421_ = makeEdit(1421);
  target1412_ = makeEdit(1412);
  targetLabel1473_ = new QLabel(QStringLiteral("원번"), this);
  targetLabel1473_->setObjectName(QStringLiteral("static1473"));

  frame1467_ = new QFrame(this);
  frame1467_->setObjectName(QStringLiteral("frame1467"));
  frame1467_->setFrameShape(QFrame::Box);
  frame1467_->setFrameShadow(QFrame::Sunken);
  MakeLists();

  LayOut();
  ShowLogin();
  ChooseAction(kBuy);
  sessionListener_ = session_.AddListener([this](TradingSession::Change change, char kind) { OnSessionChange(change, kind); });
}

// The login is the session's: it stays for the other windows.
CTrdBuyTbl::~CTrdBuyTbl() {
  session_.RemoveListener(sessionListener_);
}

QPushButton* CTrdBuyTbl::MakeButton(int id, const QString& text) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(QStringLiteral("button%1").arg(id));
  button->setAutoDefault(false);
  return button;
}

void CTrdBuyTbl::LayOut() {
  const DialogUnits units(font());
  setFixedSize(units.Size(kFormWidth, kFormHeight));
  units.Place(*combo9014_, 3, 3, 76, 13);
  units.Place(*code9028_, 82, 4, 40, 11);
  units.Place(*find9034_, 124, 3, 14, 13);
  units.Place(*clear1427_, kButtonX, 3, kButtonWidth, 13);
  const int actionIds[] = {kBuy, kSell, kModify, kCancel};
  for (int i = 0; i < 4; ++i) units.Place(*actions_->button(actionIds[i]), 3 + 33 * i, 20, 32, 11);
  units.Place(*login1428_, kButtonX, 19, kButtonWidth, 13);
  // The order-type radios and the part/all radios share a row: one pair shows at a time.
  units.Place(*orderTypes_->button(kLimit), 3, 36, 32, 11);
  units.Place(*orderTypes_->button(kMarket), 36, 36, 40, 11);
  units.Place(*partAll_->button(kPart), 3, 36, 32, 11);
  units.Place(*partAll_->button(kAll), 36, 36, 32, 11);
  units.Place(*targetLabel1473_, 78, 37, 18, 10);
  units.Place(*target1412_, 96, 35, 40, 13);
  units.Place(*options1424_, kButtonX, 35, kButtonWidth, 13);
  units.Place(*new QLabel(QStringLiteral("수량"), this), 3, 53, 17, 10);
  units.Place(*quantity1420_, 20, 51, 50, 13);
  units.Place(*new QLabel(QStringLiteral("단가"), this), 76, 53, 17, 10);
  units.Place(*price1421_, 93, 51, 43, 13);
  units.Place(*refresh1423_, kButtonX, 51, kButtonWidth, 13);
  units.Place(*send1426_, 3, 67, kSendWidth, 16);
  units.Place(*confirm_, kSendWidth + 6, 69, kFormWidth - kSendWidth - 9, 11);
  units.Place(*acknowledgement_, 4, 86, kFormWidth - 8, 10);
  units.Place(*frame1467_, 3, kListsTop, kFormWidth - 6, kFormHeight - kListsTop - 3);
  const QRect inside = frame1467_->contentsRect();
  for (QTableWidget* list : {account1422_, holdings1468_, unfilled1470_}) list->setGeometry(inside);
}

void CTrdBuyTbl::ShowFor(int action) {
  const bool buyOrSell = action == kBuy || action == kSell;
  account1422_->setVisible(action == kBuy);
  holdings1468_->setVisible(action == kSell);
  unfilled1470_->setVisible(!buyOrSell);
  options1424_->setVisible(buyOrSell);
  for (QAbstractButton* radio : orderTypes_->buttons()) radio->setVisible(buyOrSell);
  for (QAbstractButton* radio : partAll_->buttons()) radio->setVisible(!buyOrSell);
  target1412_->setVisible(!buyOrSell);
  targetLabel1473_->setVisible(!buyOrSell);
}

void CTrdBuyTbl::ChooseAction(int id) {
  if (id != kBuy && id != kSell && id != kModify && id != kCancel) {
    ShowMessage(Text(Txt::kOrderCommandLogicError));
    return;
  }
  // The send button says what it sends, in the words of the action's radio.
  send1426_->setText(actions_->button(id)->text());
  ShowFor(id);
  if (id == kBuy || id == kSell) {
    ChooseOrderType(kLimit);
  } else {
    ChoosePartOrAll(kAll);
  }
  action_ = id;
  actions_->button(id)->setChecked(true);
  if (session_.LoggedIn()) Refresh();
}

void CTrdBuyTbl::ChooseOrderType(int id) {
  orderType_ = id;
  orderTypes_->button(id)->setChecked(true);
  quantity1420_->setEnabled(true);
  // A market order has no price of its own; the price typed stays for a return to a limit order.
  price1421_->setEnabled(id == kLimit);
}

void CTrdBuyTbl::ChoosePartOrAll(int id) {
  partOrAll_ = id;
  partAll_->button(id)->setChecked(true);
  price1421_->setEnabled(true);
  if (id == kAll) {
    quantity1420_->setEnabled(false);
    const int row = SelectedRow(*unfilled1470_);
    if (row >= 0) quantity1420_->setText(CellText(*unfilled1470_, row, 3));
  } else {
    quantity1420_->setText(QStringLiteral("0"));
    quantity1420_->setEnabled(true);
  }
}

void CTrdBuyTbl::Login() {
  // The session tells every form, this one included, once it is logged in.
  session_.LogIn();
}

void CTrdBuyTbl::ShowLogin() {
  login1428_->setText(session_.LoggedIn() ? FromCp949(Text(Txt::kTrdLoggedIn)) : QStringLiteral("=> On"));
}

void CTrdBuyTbl::OnSessionChange(TradingSession::Change change, char kind) {
  // Order-event kinds: a fill, a confirmation, a rejection, an acceptance.
  constexpr char kFill = '1', kAcceptance = '4';
  switch (change) {
    case TradingSession::Change::kLoggedIn:
    case TradingSession::Change::kLoggedOut:
      ShowLogin();
      break;
    case TradingSession::Change::kNotice:
      // A fill or a confirmation changes the account, and so does a rejection (a market order's
      // rejected remainder gives its held cash back) and an order accepted from another window or a
      // command line (a buy holds cash back). The form's own orders refresh it once they are sent.
      if (kind >= kFill && kind <= kAcceptance) RefreshAfterOrderEvent();
      break;
  }
}

// ---- The stock ----

int CTrdBuyTbl::SetStock(const std::string& name, const std::string& code) {
  // Another stock's price would send the order at a price nobody chose for it.
  if (code != code_) price1421_->clear();
  name_ = name;
  code_ = code;
  const QString shownName = FromCp949(name_);
  int index = combo9014_->findText(shownName, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) {
    combo9014_->addItem(shownName);
    index = combo9014_->findText(shownName, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!OSTRADA_VERIFY(index >= 0)) return 0;
  }
  combo9014_->setCurrentIndex(index);
  code9028_->setText(FromCp949(code_));
  ApplyOptions();
  return 1;
}

bool CTrdBuyTbl::CurrentStock() {
  if (combo9014_->currentIndex() < 0) return false;
  const std::string code = ToCp949(code9028_->text());
  const CodeInfo* stock = book_ != nullptr && !code.empty() ? book_->FindByCode(code.c_str()) : nullptr;
  if (stock == nullptr) return false;
  code_ = stock->key.code;
  name_ = stock->key.name != nullptr ? stock->key.name.get() : "";
  return true;
}

void CTrdBuyTbl::ClearStock() {
  combo9014_->setCurrentIndex(-1);
  name_.clear();
  code_.clear();
  code9028_->clear();
  quantity1420_->clear();
  price1421_->clear();
}

void CTrdBuyTbl::TellStockChanged() {
  SendWindowMessage(parentWidget(), WM_STOCK_CHANGED, kOrderPanel, 0);
}

void CTrdBuyTbl::OnFindButton() {
  CFindCode finder(book_, this);
  finder.exec();
  const std::string& name = finder.ChosenName();
  if (name.empty()) return;
  if (name == name_) {
    CurrentUiSink().Beep();
    return;
  }
  if (OSTRADA_VERIFY(SetStock(name, finder.ChosenCode()))) TellStockChanged();
}

void CTrdBuyTbl::SetPrice(int32_t price) {
  switch (orderType_) {
    case kLimit:
      price1421_->setText(QString::number(price));
      break;
    case kMarket:
      CurrentUiSink().Beep();
      break;
    default:
      ShowMessage(Text(Txt::kTrdBadOrderType));
      break;
  }
}

// ---- CTrdDlg ----

bool ConfirmOrderWindowEscape() {
  return ShowMessage(Text(Txt::kTrdCloseOnEscape), kMbYesNo | kMbIconQuestion) == kIdYes;
}

void CTrdDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && !ConfirmOrderWindowEscape()) return;
  QDialog::keyPressEvent(event);
}

CTrdDlg::CTrdDlg(const CodeInfoList* book, TradingSession& session, QWidget* parent, WatchDesk* desk)
    : QDialog(parent), StockWindow(static_cast<QWidget&>(*this)), book_(book) {
  setObjectName(QStringLiteral("dialog145"));
  setFont(TemplateFont());
  setWindowTitle(FromCp949(Text(Txt::kMiniOrderCaption)));
  form_ = new CTrdBuyTbl(book, session, this);
  setFixedSize(form_->size());
  form_->show();
  // The form leaves the strip under its list free.
  PlaceLinkToggle(*this, LinkToggle(), LinkTogglePlace::kBottomRight);
  if (desk == nullptr) return;
  watch_ = new CWatchPanel(*desk, this);
  watch_->PlaceAtRightOf(*this);
}

int CTrdDlg::ShowStock(const std::string& code) {
  const std::string name = StockNameOf(book_, code);
  if (name.empty()) return 0;
  const int shown = code == form_->Code() ? 1 : form_->SetStock(name, code);
  if (watch_ != nullptr) watch_->SetCode(form_->Code());
  return shown;
}

bool CTrdDlg::event(QEvent* event) {
  if (AsWindowMessage(event, WM_STOCK_CHANGED) != nullptr) {
    if (watch_ != nullptr) watch_->SetCode(form_->Code());
    Picks().Tell(form_->Code());
    return true;
  }
  return QDialog::event(event);
}

}  // namespace ostrada
