#pragma once
#include <QString>
#include <Qt>
#include <initializer_list>

class QGridLayout;
class QWidget;

// How the employee and applicant dialogs lay out their inputs: a grid of
// label-input pairs, each label at the left of its input.
namespace personnel {

// w, named as the dialog's code names it.
template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// An input at (row, pair column), spanning `span` grid columns.
struct Placed {
    int row, col;
    const char* caption;
    QWidget* input;
    int span = 1;
};
// Each input with its label (the label's buddy) in pair column col: the label
// in grid column 2·col, the input in the next.
void placeInputs(QGridLayout* g, std::initializer_list<Placed> inputs, Qt::Alignment labelAlignment = {});

}
