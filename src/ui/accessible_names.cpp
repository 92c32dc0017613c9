#include "ui/accessible_names.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QWidget>

namespace {

QString WithoutMnemonics(QString text) {
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text.trimmed();
}

QString OwnText(const QWidget* widget) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
        return group->title();
    }
    return {};
}

}  // namespace

void NameControlsForAccessibility(QWidget* root) {
    if (root == nullptr) {
        return;
    }
    QHash<const QWidget*, QString> buddyTexts;
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        if (label->buddy() != nullptr) {
            buddyTexts.insert(label->buddy(), label->text());
        }
    }
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->accessibleName().isEmpty() || qobject_cast<QLabel*>(widget) != nullptr) {
            continue;
        }
        QString name = buddyTexts.value(widget);
        if (name.isEmpty()) {
            name = OwnText(widget);
        }
        if (name.isEmpty()) {
            name = widget->toolTip();
        }
        name = WithoutMnemonics(name);
        if (!name.isEmpty()) {
            widget->setAccessibleName(name);
        }
    }
}
