#include "app/ui/messagebox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

int MessageBoxPrompt::show(const QString& text, PromptIcon icon, const QStringList& buttons)
{
    QMessageBox box(m_parent);
    box.setObjectName(QStringLiteral("MessageDlg"));
    box.setWindowTitle(QStringLiteral("Vornix"));
    box.setText(text);
    switch (icon) {
    case PromptIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case PromptIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case PromptIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case PromptIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    QList<QAbstractButton*> made;
    const QStringList captions = buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : buttons;
    for (int i = 0; i < captions.size(); ++i) {
        QPushButton* b =
            box.addButton(captions.at(i), i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        b->setCursor(Qt::PointingHandCursor);
        made << b;
    }
    box.setDefaultButton(qobject_cast<QPushButton*>(made.first()));
    if (captions.size() > 1)
        box.setEscapeButton(nullptr);
    box.exec();
    const int at = made.indexOf(box.clickedButton());
    return at < 0 ? 0 : at + 1;
}
