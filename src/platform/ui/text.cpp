#include "platform/ui/text.h"

namespace ui {

QString trim(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s.at(b).unicode() <= 0x20) ++b;
    while (e > b && s.at(e - 1).unicode() <= 0x20) --e;
    if (b == 0 && e == s.size()) return s;
    return s.mid(b, e - b);
}

}
