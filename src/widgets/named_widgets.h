#pragma once

#include <QPushButton>

// Every control carries its name as its objectName, so code and tests find it.
inline QPushButton *namedButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}
