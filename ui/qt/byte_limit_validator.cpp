#include "byte_limit_validator.h"

#include "program_text.h"

ByteLimitValidator::ByteLimitValidator(int bytes, QObject *parent)
    : QValidator(parent)
    , limit(bytes)
{
}

QValidator::State ByteLimitValidator::validate(QString &input, int &pos) const
{
    if (programTextLength(input) <= limit) {
        accepted = input;
        return Acceptable;
    }
    // The inserted text lies between what the old and the new text share at
    // their start and at their end.
    const qsizetype shortest = qMin(input.size(), accepted.size());
    qsizetype head = 0;
    while (head < shortest && input.at(head) == accepted.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < shortest - head
        && input.at(input.size() - 1 - tail) == accepted.at(accepted.size() - 1 - tail))
        ++tail;
    // Never between the two halves of a character outside the BMP.
    if (head > 0 && input.at(head - 1).isHighSurrogate()) --head;
    if (tail > 0 && input.at(input.size() - tail).isLowSurrogate()) --tail;
    const QString before = input.left(head);
    const QString after = input.right(tail);
    const QString inserted = input.mid(head, input.size() - head - tail);

    // The longest start of the inserted text that fits; byte counts only grow
    // with the length, so halving finds it.
    const int room = limit - programTextLength(before) - programTextLength(after);
    qsizetype fits = 0;
    qsizetype high = inserted.size();
    while (fits < high) {
        const qsizetype middle = (fits + high + 1) / 2;
        if (programTextLength(inserted.left(middle)) <= room)
            fits = middle;
        else
            high = middle - 1;
    }
    if (fits > 0 && inserted.at(fits - 1).isHighSurrogate()) --fits;

    input = before + inserted.left(fits) + after;
    pos = int(head + fits);
    accepted = input;
    return Acceptable;
}
