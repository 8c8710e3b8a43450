// Real key and mouse events for window tests, sent the way the window system delivers them: keys
// go to whichever control has the focus at that moment, clicks land on a control's pixels.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QWidget>
#include <functional>

#include "support/tree_items.h"

namespace test {

// Shows `window` and makes it the active one, so that typed keys reach its focus control.
inline bool Activate(QWidget* window) {
  window->show();
  window->activateWindow();
  return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// Types `text` key by key into the control that has the focus when each key arrives.
inline void Type(const QString& text) {
  for (QChar c : text) {
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr) return;
    QTest::keyClick(target, c.toLatin1());
  }
}

// One key without text (Escape, Delete, Enter, ...) into the focus control; what the key starts
// later (a table commits a cell edit after Enter) is done on return.
inline void Press(Qt::Key key) {
  if (QWidget* target = QApplication::focusWidget()) QTest::keyClick(target, key);
  QApplication::processEvents();
}

inline void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

// Clicks a check box where its tick differs from `ticked`.
inline void Set_Tick(QAbstractButton* box, bool ticked) {
  if (box->isChecked() != ticked) Click(box);
}

// What a person does to put `text` into a box: click it, select what it holds, type.
inline void Retype(QLineEdit* box, const QString& text) {
  QTest::mouseClick(box, Qt::LeftButton);
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  if (text.isEmpty())
    QTest::keyClick(box, Qt::Key_Delete);
  else
    Type(text);
}

// A click in the middle of a table cell (row and column of the table, from 0), with the keys
// held that extend a selection (Shift, Ctrl) where given.
inline void Click_Cell(QTableView* table, int row, int column,
                       Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const QModelIndex cell = table->model()->index(row, column);
  table->scrollTo(cell);
  QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, table->visualRect(cell).center());
}

// A double click as the mouse makes it on a table cell: a click, then the second press that the
// system reports as a double click, and its release.
inline void Double_Click_Cell(QTableView* table, int row, int column) {
  Click_Cell(table, row, column);
  const QPoint centre = table->visualRect(table->model()->index(row, column)).center();
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
  QTest::mouseRelease(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
}

// What a person does to fill a cell: click it, type, press Enter. In a list cell the typed
// letter picks the entry that starts with it.
inline void Type_In_Cell(QTableWidget* table, int row, int column, const QString& text) {
  Click_Cell(table, row, column);
  Type(text);
  Press(Qt::Key_Return);
}

// A click on the number of a table's row (its vertical header).
inline void Click_Row_Number(QTableWidget* table, int row) {
  QHeaderView* numbers = table->verticalHeader();
  table->scrollToItem(table->item(row, 0));
  const QPoint at(numbers->width() / 2,
                  numbers->sectionViewportPosition(row) + numbers->sectionSize(row) / 2);
  QTest::mouseClick(numbers->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// A click on the tab of `page`.
inline void Click_Tab(QTabWidget* tabs, QWidget* page) {
  QTabBar* bar = tabs->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                    bar->tabRect(tabs->indexOf(page)).center());
}

// A click on a list's line or a tree's node, scrolled into view first.
inline void Click_Item(QListWidget* list, int row) {
  list->scrollToItem(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                    list->visualItemRect(list->item(row)).center());
}
inline void Click_Item(QTreeView* tree, const Tree_Item& node,
                       Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  tree->scrollTo(node.index());
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, modifiers,
                    tree->visualRect(node.index()).center());
}

// Runs `act` on the first window of type T that becomes the active modal one, made the active
// window as the desktop does, so that typed keys reach it.
template <typename T>
void When_Modal(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      QApplication::setActiveWindow(dialog);
      act(dialog);
    }
  });
  timer->start();
}

}  // namespace test
