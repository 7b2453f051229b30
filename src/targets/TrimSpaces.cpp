#include "targets/TrimSpaces.h"

#include <QChar>

namespace vantorel {

namespace {

bool isSpaceOrTab(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

} // namespace

QStringView trimSpacesAndTabs(QStringView text) {
    while (!text.isEmpty() && isSpaceOrTab(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isSpaceOrTab(text.back()))
        text.chop(1);
    return text;
}

} // namespace vantorel
