#include "app/historytargets.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>

#include "app/qtext.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/stocgate.h"
#include "tests/support/scratch_folder.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/support/file_bytes.h"

namespace ostrada {
namespace {

using namespace testing;

TEST(HistoryTargets, ListWidgetTakesTheStockListAndFollowsTheLog) {
  QListWidget list;
  QtListBox box(&list);
  CodeInfoList book;
  AddStock(book, "A000020", "동화약품");
  AddStock(book, "A000040", "KR모터스");
  EXPECT_EQ(StocGate::FillStockList(&box, book), 2);
  EXPECT_EQ(list.item(0)->text(), QString::fromUtf8("A000020    동화약품"));
  StocGate gate;
  gate.SetLogTarget(&box, 1);
  gate.Log(Utf8ToCp949("받기 완료"));
  EXPECT_EQ(list.count(), 3);
  EXPECT_EQ(list.currentRow(), 2);
  EXPECT_EQ(list.currentItem()->text(), QString::fromUtf8("받기 완료"));
}

TEST(HistoryTargets, OpenDialogOffersTheFiltersAndReturnsTheChoice) {
  EXPECT_EQ(NameFiltersOf("Stock PreData Files (*.spd)|*.spd|All Files (*.*)|*.*||"),
            QStringList({"Stock PreData Files (*.spd)", "All Files (*.*)"}));
  ScratchFolder folder;
  const std::string path = folder.File("_lastinfo.20261207.spd");
  WriteBytes(path, "x");
  QWidget parent;
  QtOpenFileDialog dialog(&parent);
  QStringList offered;
  WhenShown("preDataFileDialog", [&](QWidget& window) {
    auto& files = static_cast<QFileDialog&>(window);
    offered = files.nameFilters();
    files.selectFile(QString::fromStdString(path));
    static_cast<QDialog&>(files).accept();
  });
  std::string chosen;
  ASSERT_TRUE(dialog.Choose("spd", "Stock PreData Files (*.spd)|*.spd|All Files (*.*)|*.*||", &chosen));
  EXPECT_EQ(chosen, path);
  EXPECT_EQ(offered.size(), 2);

  WhenShown("preDataFileDialog", [](QWidget& window) { static_cast<QDialog&>(window).reject(); });
  EXPECT_FALSE(dialog.Choose("spd", "x|*.x||", &chosen));
}

}  // namespace
}  // namespace ostrada
