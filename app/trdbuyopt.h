#pragma once
// CTrdBuyOpt, the options dialog of the order form (template 147, "매수 옵션"): the buy or sell preset
// of price and quantity that the form applies whenever it takes a stock. The dialog edits a copy of
// the form's option set; the form takes the copy back after OK.
#include <QDialog>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace ostrada {

// The quantity modes of the preset, by the ids of their radios.
enum QuantityMode : int {
  kDesignatedQuantity = 1455,  // "지정수량"
  kBuyForAmount = 1456,        // "금액매수"
  kCashAvailable = 1457,       // "현금주문가능"
};

// The price levels of the preset, in the order of the dialog's list.
enum PriceLevel : int {
  kSecondAsk = 0,   // "+2"
  kBestAsk = 1,     // "+1"
  kCurrent = 2,     // "현재가"
  kBestBid = 3,     // "-1"
  kSecondBid = 4,   // "-2"
  kLowerLimit = 5,  // "하한가"
};
inline constexpr int kPriceLevels = 6;

// One side's option set. The sell side has no amount.
struct TradeOptions {
  int pricePreset = 0;
  int priceLevel = kCurrent;
  int quantityPreset = 0;
  int quantityMode = kDesignatedQuantity;
  int32_t quantity = 0;
  int32_t amount = 0;
};

class CTrdBuyOpt : public QDialog {
  Q_OBJECT
 public:
  // side 1 buy, 0 sell.
  CTrdBuyOpt(int side, const TradeOptions& options, QWidget* parent = nullptr);

  // The edited set; equal to the given one until OK succeeded.
  const TradeOptions& Options() const { return options_; }

  void setVisible(bool visible) override;
  // Checks the quantity preset; a wrong value is told, rounded where it can be, and the dialog stays.
  void accept() override;

 private:
  void LayOut();
  void OnInitDialog();
  QRadioButton* ModeRadio(int mode) const;

  const int side_;
  TradeOptions options_;
  QCheckBox* pricePreset1452_;
  QCheckBox* quantityPreset1453_;
  QComboBox* level1454_;
  QRadioButton* designated1455_;
  QRadioButton* amount1456_;
  QRadioButton* cash1457_;
  QLineEdit* quantity1018_;
  QLineEdit* amount1203_;
};

}  // namespace ostrada
