#include "window_harness.h"

#include "app/file_rows.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

WindowHarness::WindowHarness(TFileTypeIconLookup icons) {
    TFormOpenFileOptions options;
    options.Boxes = std::make_unique<RecordingBoxes>(Boxes);
    options.Icons = std::move(icons);
    FForm = std::make_unique<TFormOpenFile>(std::move(options));
    QObject::connect(FForm->Stat.get(), &QStatusBar::messageChanged,
                     [this](const QString& text) { Statuses.push_back(text.toStdString()); });
    // Mouse input reaches only a shown window (offscreen, nothing appears).
    FForm->show();
    FForm->activateWindow();
    if (!QTest::qWaitForWindowExposed(FForm.get()))
        ADD_FAILURE() << "the window was not exposed";
}

void WindowHarness::SetServer(int port, const std::string& host) {
    FForm->Server->setText(QString::fromStdString(host + ":" + std::to_string(port)));
}

void WindowHarness::ClickConnect() {
    QTest::mouseClick(FForm->CheckBox1.get(), Qt::LeftButton);
}

void WindowHarness::ClickGoUp() {
    QTest::mouseClick(FForm->Button1.get(), Qt::LeftButton);
}

namespace {

QTreeWidgetItem* FindRow(const QTreeWidget& files, const std::string& name) {
    for (int i = 0; i < files.topLevelItemCount(); ++i)
        if (files.topLevelItem(i)->text(0).toStdString() == name)
            return files.topLevelItem(i);
    return nullptr;
}

void SendMouse(QWidget& target, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent event(type, at, target.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &event);
}

} // namespace

bool WindowHarness::DoubleClickRow(const std::string& name) {
    QTreeWidgetItem* row = FindRow(*FForm->Files, name);
    if (row == nullptr)
        return false;
    QTreeWidget& files = *FForm->Files;
    files.scrollToItem(row);
    const QPoint at = files.visualItemRect(row).center();
    // The events of a double-click, delivered straight to the list so that no
    // timing of synthetic input decides whether they count as one.
    SendMouse(*files.viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton);
    SendMouse(*files.viewport(), QEvent::MouseButtonRelease, at, Qt::NoButton);
    SendMouse(*files.viewport(), QEvent::MouseButtonDblClick, at, Qt::LeftButton);
    SendMouse(*files.viewport(), QEvent::MouseButtonRelease, at, Qt::NoButton);
    return true;
}

std::vector<std::string> WindowHarness::RowNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < FForm->Files->topLevelItemCount(); ++i)
        names.push_back(FForm->Files->topLevelItem(i)->text(0).toStdString());
    return names;
}

std::vector<std::string> WindowHarness::RowTexts(const std::string& name) const {
    std::vector<std::string> texts;
    if (QTreeWidgetItem* row = FindRow(*FForm->Files, name))
        for (int column = 0; column < 6; ++column)
            texts.push_back(row->text(column).toStdString());
    return texts;
}

int WindowHarness::RowImage(const std::string& name) const {
    QTreeWidgetItem* row = FindRow(*FForm->Files, name);
    return row == nullptr ? -2 : row->data(0, FileRows::ImageIndexRole).toInt();
}
