#pragma once
// A simple combo box: an edit field above a list that is always open. Choosing an entry puts its
// text into the edit field; typing in the field leaves no entry chosen and scrolls the list to the
// first entry that starts with the text, or, with a matcher, shows only the entries it finds, in the
// order it gives them. Up and Down in the field move through the entries shown. An entry may carry a
// detail (a stock's code) shown at the right of its row; an entry cut by the list's width shows in
// full as a tool tip.
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QHelpEvent;
class QLineEdit;
class QListWidget;

namespace ostrada {

class SimpleComboBox : public QWidget {
  Q_OBJECT
 public:
  // The list rows' role that holds an entry's detail.
  static constexpr int kDetailRole = Qt::UserRole + 1;

  explicit SimpleComboBox(QWidget* parent = nullptr);

  void Clear();
  void AddString(const QString& text, const QString& detail = {});
  // Entries are counted and indexed in the order they were added, whatever the list shows.
  int Count() const;
  QString Text(int index) const;
  QString EditText() const;
  // Puts the text into the field as if typed.
  void SetEditText(const QString& text);

  // The chosen entry, or -1.
  int CurrentIndex() const;
  // Chooses the entry (its text goes to the edit field) and scrolls it to the top of the list.
  void SetCurrentIndex(int index);
  // The first entry equal to the text, letter case ignored, searching from the entry after `after`
  // to the last and then from the first; -1 when none.
  int FindExact(const QString& text, int after) const;

  // From now on typing shows only the entries the matcher gives for the text (their indexes, in the
  // order to show them); an empty text shows them all.
  using Matcher = std::function<std::vector<int>(const QString& text)>;
  void SetMatcher(Matcher matcher) { matcher_ = std::move(matcher); }
  // Shows every entry again, in the order they were added.
  void ShowAll();
  // The width the widest detail takes at the right of a row (0 without details).
  int DetailWidth() const { return detailWidth_; }

  QLineEdit* Edit() const { return edit_; }
  QListWidget* List() const { return list_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Entry {
    QString text;
    QString detail;
  };
  void OnEdited(const QString& text);
  // Fills the list with these entries, in this order.
  void Show(const std::vector<int>& entries);
  void AddRow(int entry);
  int RowOf(int entry) const;
  void ShowCutEntry(const QHelpEvent& help) const;

  QLineEdit* edit_;
  QListWidget* list_;
  Matcher matcher_;
  std::vector<Entry> entries_;
  std::vector<int> shown_;  // the entry of each row of the list
  int detailWidth_ = 0;
};

}  // namespace ostrada
