#pragma once
// The home board's watchlist rows: name, price, change, rate and volume of each stock, in red above
// the previous close and blue below. A live update repaints only the cells that changed. A stock whose
// price alert told is marked: its row stands out, and its name's tip says what was met.
#include <QAbstractTableModel>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ostrada {

struct WatchRow {
  std::string code;  // CP949
  std::string name;
  int32_t price = 0;
  int32_t change = 0;  // from the previous close
  int64_t volume = 0;
  // Percent of the previous close (price - change); 0 when that is unknown.
  double Rate() const;
};

class WatchModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kName, kPrice, kChange, kRate, kVolume, kColumns };

  explicit WatchModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void SetRows(std::vector<WatchRow> rows);
  void Append(WatchRow row);
  void Remove(int row);
  // A new price, change and volume for the stock's row; only changed cells are signalled.
  void Update(const std::string& code, int32_t price, int32_t change, int64_t volume);
  const std::vector<WatchRow>& Rows() const { return rows_; }
  // Marks the stock's row (now, or when it joins the list) with what its alert met.
  void Mark(const std::string& code, const QString& note);
  bool Marked(const std::string& code) const { return marks_.count(code) != 0; }
  // The text of a cell as shown.
  QString Cell(int row, int column) const;

 private:
  std::vector<WatchRow> rows_;
  std::map<std::string, QString> marks_;  // by code
};

}  // namespace ostrada
