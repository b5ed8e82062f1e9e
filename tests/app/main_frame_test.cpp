// The frame built from the command table: menus, toolbar, status bar, title,
// toggles and the About box.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "app/commands/command_table.h"
#include "app_test_support.h"

using namespace difscop;
using difscop::apptest::ScratchDir;
using difscop::apptest::TestFrame;

namespace {

// The menu bar as an indented outline: submenus by title, commands as
// "id label", separators as "---".
void Outline(const QMenu* menu, int depth, QString& out) {
  for (QAction* a : menu->actions()) {
    out += QString(depth * 2, ' ');
    if (a->isSeparator()) {
      out += "---\n";
    } else if (a->menu()) {
      out += a->text() + "\n";
      Outline(a->menu(), depth + 1, out);
    } else {
      out += QString::number(a->data().toInt()) + " " + a->text() + "\n";
    }
  }
}

const char* const kExpectedMenus = R"(&File
  32901 Open Pattern...
  Open Raw Data (&R) ...
    32779 Mac File (&M)
    ---
    32773 Rigaku RINT File (&R)
    32781 Rigaku RAD File (&A)
    ---
    32782 Hermes Neutron File (&H)
    ---
    32783 (x,y) Format File (&X)
    ---
    32785 Rietan INT File (&I)
    ---
    32902 GSAS Raw
    32903 Rigaku ASC/RAS
    32904 Other Format...
  Open Fitted Data (&F) ...
    32775 Igor PAT File (&I)
    ---
    32786 GSAS CIF File Open (&G)
    32788 FullProf prf File Open (&F)
  ---
  Export Powder Formats (&P)
    32791 Rietan Normal Format (&N)
    32792 Rietane General Format (&G)
    ---
    32793 GSAS Format (&S)
    32795 FullProf Format (&F)
    32796 Rietical Format (&R)
    32797 DBW Format (&D)
    32798 PowderX Format (&P)
    ---
    32799 (x,y) Format (&X)
  Export Graphics Formats (&G)
    Sma4 Format (&S)
      32803 Black && White
      32804 Color
    EMF Format (&E)
      32805 Black && White
      32806 Color
    32836 BMP Format (&B)
    ---
    32837 Copy to Clipboard (&C)
  ---
  View Graphics (&V)
    32855 Sma4 (&S)
    32856 EMF (&E)
    32857 BMP (&B)
  ---
  32777 Clear Pattern (&C)
  ---
  57665 Exit (&X)
&Edit
  32809 Smoothing (&S)
  ---
  32810 Auto Peak Search (&P)
  32838 Manual Peak Search (&M)
  32816 Searched Peak List (&L)
  ---
  32854 Back Grd. Red. Point (&B)
  32858 Back Grd Cal. (&C)
  ---
  32845 Edit File (&E)
  ---
  32853 Edit External Program (&X)
&Index
  ---
  32820 Ito Run (&I)
  32824 Ito Results (&A)
  ---
  32821 Treor Run (&T)
  32825 Treor Results (&B)
  ---
  32822 Dicvol run (&D)
  32826 Dicvol Results (&F)
  ---
  32847 Cell Run (&C)
  32848 Cell Results (&L)
  32849 Prepare EXPO File from Cell (&E)
  ---
  32850 EXPO Run (&X)
  ---
  32852 GenHKL Run (&G)
  ---
  32900 Built-in Indexing...
&Cell Refine
  32844 Prepare from Ito (&I)
  32843 Prepare From Treor (&T)
  ---
  32840 Edit CellRef File (&E)
  ---
  32842 CellRef Run (&D)
&Setting
  32827 Set Range (&R)
  32839 Set X-ray Source (&X)
  ---
  32817 Set Para (&S)
  32830 Save Para (&P)
  ---
  32829 Reset Default Para (&D)
  ---
  59392 Toolbar (&T)
  59393 Status Bar (&B)
&Help
  32846 Help by Html (&H)
  57664 About Difscop (&A) ...
)";

}  // namespace

TEST(MainFrame, MenuBarFollowsTheCommandTable) {
  ScratchDir dir;
  TestFrame t;
  QString out;
  for (QAction* top : t.frame.menuBar()->actions()) {
    out += top->text() + "\n";
    Outline(top->menu(), 1, out);
  }
  EXPECT_EQ(out.toStdString(), kExpectedMenus);

  // Prompts: status text before the line feed, tooltip after it.
  QAction* clear = t.frame.action(32777);
  ASSERT_NE(clear, nullptr);
  EXPECT_EQ(clear->statusTip(), "Clear graphic pattern ");
  EXPECT_EQ(clear->toolTip(), "Clear Pattern");
  EXPECT_EQ(t.frame.action(32817)->statusTip(), "");
}

TEST(MainFrame, ToolbarButtonsInOrderWithIconsAndTips) {
  ScratchDir dir;
  TestFrame t;
  QStringList seen;
  for (QAction* a : t.frame.toolBar()->actions()) {
    if (a->isSeparator()) {
      seen << "|";
      continue;
    }
    seen << QString::number(a->data().toInt());
    const QSize size = a->icon().actualSize(QSize(16, 15));
    EXPECT_EQ(size, QSize(16, 15)) << a->text().toStdString();
    EXPECT_FALSE(a->toolTip().isEmpty());
    EXPECT_FALSE(a->statusTip().isEmpty());
  }
  EXPECT_EQ(seen.join(' ').toStdString(),
            "32779 32773 32791 32809 32810 | 32775 32803 32805 | 57664 | 57665");
  EXPECT_EQ(t.frame.action(32779)->toolTip(), "Mac File Open");
  EXPECT_EQ(t.frame.action(32779)->statusTip(), "Mac File Data Open");
  EXPECT_EQ(t.frame.action(57665)->toolTip(), "Exit");
  EXPECT_EQ(t.frame.toolBar()->iconSize(), QSize(16, 15));
}

TEST(MainFrame, StatusBarPanesShowTheWorkspaceTexts) {
  ScratchDir dir;
  TestFrame t;
  t.ShowAndPaint();
  const auto& panes = t.frame.statusPanes();
  const QFontMetrics metrics(t.frame.statusBar()->font());
  const int blanks[] = {18, 22, 72};
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(panes[i], nullptr);
    EXPECT_GE(panes[i]->width(), metrics.horizontalAdvance(QString(blanks[i], ' ')));
    EXPECT_EQ(panes[i]->text(), "");
  }
  // Wider panes in the order given.
  EXPECT_LT(panes[0]->width(), panes[1]->width());
  EXPECT_LT(panes[1]->width(), panes[2]->width());
  bool ready = false;
  for (QLabel* l : t.frame.statusBar()->findChildren<QLabel*>()) ready |= l->text() == "Ready";
  EXPECT_TRUE(ready);

  t.ws().statusPaneText = {"x=20.5", "y=1234", "For default, right button click for exit."};
  t.frame.SyncFromWorkspace();
  EXPECT_EQ(panes[0]->text(), "x=20.5");
  EXPECT_EQ(panes[2]->text(), "For default, right button click for exit.");
}

TEST(MainFrame, TogglesShowAndHideBarsWithCheckMarks) {
  ScratchDir dir;
  TestFrame t;
  t.ShowAndPaint();
  QAction* toolbar = t.frame.action(59392);
  QAction* status = t.frame.action(59393);
  ASSERT_TRUE(toolbar->isCheckable());
  EXPECT_TRUE(toolbar->isChecked());
  EXPECT_TRUE(status->isChecked());
  toolbar->trigger();
  EXPECT_FALSE(toolbar->isChecked());
  EXPECT_FALSE(t.frame.toolBar()->isVisible());
  status->trigger();
  EXPECT_FALSE(t.frame.statusBar()->isVisible());
  toolbar->trigger();
  status->trigger();
  EXPECT_TRUE(t.frame.toolBar()->isVisible());
  EXPECT_TRUE(t.frame.statusBar()->isVisible());
  // Closing the toolbar by itself clears the check mark too.
  t.frame.toolBar()->hide();
  EXPECT_FALSE(toolbar->isChecked());
}

TEST(MainFrame, AboutBox) {
  ScratchDir dir;
  TestFrame t;
  t.ShowAndPaint();
  QString title;
  QStringList texts;
  const bool shown = apptest::WithModal([&] { t.frame.action(57664)->trigger(); },
                                        [&](QWidget* dialog) {
                                          title = dialog->windowTitle();
                                          for (QLabel* l : dialog->findChildren<QLabel*>()) {
                                            if (!l->text().isEmpty()) texts << l->text();
                                          }
                                          QMetaObject::invokeMethod(dialog, "accept");
                                        });
  ASSERT_TRUE(shown);
  EXPECT_EQ(title, "About Difscop");
  EXPECT_TRUE(texts.contains("Difscop Version 1.0"));
  EXPECT_EQ(texts.size(), 2);
}

TEST(MainFrame, TitleAtStartAfterLoadAndAfterClear) {
  ScratchDir dir;
  const std::string xy = dir.File("quartz.xy");
  apptest::WriteXyFile(xy, 10, 50, 0.02);
  TestFrame t;
  EXPECT_EQ(t.frame.windowTitle(), "Difscop --- [File Name : ]  ");
  t.ShowAndPaint();

  t.platform().openAnswers.push_back(xy);
  t.frame.RunCommand(32783);
  EXPECT_EQ(t.frame.windowTitle().toStdString(), "Difscop --- [File Name : " + xy + "]  ");

  // A cancelled dialog leaves the title alone.
  t.frame.RunCommand(32779);
  EXPECT_EQ(t.frame.windowTitle().toStdString(), "Difscop --- [File Name : " + xy + "]  ");

  t.frame.RunCommand(32777);
  EXPECT_EQ(t.frame.windowTitle(), "Difscop --- [File Name :] ");
  EXPECT_EQ(t.ws().blankPlot, 1);
  EXPECT_EQ(t.ws().xMax, 100.0f);
  EXPECT_EQ(t.ws().yMax, 8000.0f);
}
