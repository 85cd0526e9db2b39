// ByteLimitValidator holds a line edit to a number of bytes of code page 932,
// the way an ANSI edit control counts its limit: a double-byte character
// takes two. Typing that does not fit is refused; of a pasted or dropped
// text only as much is inserted as fits. The edit owns the validator.
#ifndef BYTE_LIMIT_VALIDATOR_H
#define BYTE_LIMIT_VALIDATOR_H

#include <QValidator>

class ByteLimitValidator : public QValidator
{
    Q_OBJECT

public:
    ByteLimitValidator(int bytes, QObject *parent);

    void setLimit(int bytes) { limit = bytes; }

    // Accepts input within the limit; otherwise cuts the text just inserted
    // (what differs from the last accepted text) to fit, on a character
    // boundary, and moves pos to the end of what was kept of it.
    State validate(QString &input, int &pos) const override;

private:
    int limit;
    // The last text accepted, to tell what an edit inserted.
    mutable QString accepted;
};

#endif
