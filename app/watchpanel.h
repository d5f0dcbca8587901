#pragma once
// CWatchPanel: the 감시주문 panel of the order windows. For the window's stock it sets a condition of
// each kind (손절, 이익실현, 트레일링 스탑, 돌파 매수, 가격 알림 above or below), with its trigger (a
// price, a percentage from the cost or a trailing distance), the order it sends (market, or a limit a
// number of ticks beyond the contract), its quantity (the whole holding by default) and an expiry;
// it lists the stock's conditions and cancels the chosen one. A refusal is shown in the core's words.
#include <QGroupBox>
#include <string>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace ostrada {

class WatchDesk;

class CWatchPanel : public QGroupBox {
  Q_OBJECT
 public:
  // The kinds in the order the panel offers them.
  enum Kind : int { kStop, kTake, kTrail, kBreakout, kAlertAbove, kAlertBelow };

  // REQUIRES: `desk` outlives the panel.
  explicit CWatchPanel(WatchDesk& desk, QWidget* parent = nullptr);

  // Widens the window, whose size is fixed, by the panel at its right, as high as the window (or the
  // panel's own height where that is more).
  void PlaceAtRightOf(QWidget& window);
  // The stock whose conditions the panel sets and lists (ASCII code; empty: none).
  void SetCode(const std::string& code);
  // "감시 설정" and "감시 취소", as their clicks run them.
  void SetCondition();
  void CancelChosen();

 private:
  void OfferBases();
  void ShowBasis();
  void ShowRows();

  WatchDesk& desk_;
  std::string code_;
  QComboBox* kind_;
  QComboBox* basis_;
  QSpinBox* won_;
  QDoubleSpinBox* percent_;
  QComboBox* order_;
  QSpinBox* ticks_;
  QSpinBox* quantity_;
  QCheckBox* expires_;
  QDateEdit* expiry_;
  QPushButton* set_;
  QTableWidget* list_;
  QPushButton* cancel_;
};

}  // namespace ostrada
