#include "personnel/record_layout.h"
#include <QGridLayout>
#include <QLabel>

namespace personnel {

void placeInputs(QGridLayout* g, std::initializer_list<Placed> inputs, Qt::Alignment labelAlignment)
{
    for (const Placed& p : inputs) {
        auto* l = new QLabel(QString::fromUtf8(p.caption), g->parentWidget());
        l->setBuddy(p.input);
        g->addWidget(l, p.row, p.col * 2, labelAlignment);
        g->addWidget(p.input, p.row, p.col * 2 + 1, 1, p.span);
    }
}

}
