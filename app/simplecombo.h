#pragma once
// A simple combo box: an edit field above a list that is always open. Choosing an entry puts its
// text into the edit field; typing in the field leaves no entry chosen and scrolls the list to the
// first entry that starts with the text, or, with a matcher, shows only the entries it finds. Up and
// Down in the field move through the entries shown. An entry cut by the list's width shows in full as
// a tool tip.
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
  explicit SimpleComboBox(QWidget* parent = nullptr);

  void Clear();
  void AddString(const QString& text);
  int Count() const;
  QString Text(int index) const;
  QString EditText() const;

  // The chosen entry, or -1.
  int CurrentIndex() const;
  // Chooses the entry (its text goes to the edit field) and scrolls it to the top of the list.
  void SetCurrentIndex(int index);
  // The first entry equal to the text, letter case ignored, searching from the entry after `after`
  // to the last and then from the first; -1 when none.
  int FindExact(const QString& text, int after) const;

  // From now on typing shows only the entries the matcher gives for the text (their indexes, in list
  // order); an empty text shows them all.
  using Matcher = std::function<std::vector<int>(const QString& text)>;
  void SetMatcher(Matcher matcher) { matcher_ = std::move(matcher); }
  // Shows every entry again.
  void ShowAll();

  QLineEdit* Edit() const { return edit_; }
  QListWidget* List() const { return list_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnEdited(const QString& text);
  void ShowMatches(const QString& text);
  // The next shown entry from `from` in the direction of `step` (its sign) at most |step| entries on.
  int ShownRow(int from, int step) const;
  void ShowCutEntry(const QHelpEvent& help) const;

  QLineEdit* edit_;
  QListWidget* list_;
  Matcher matcher_;
};

}  // namespace ostrada
