#pragma once

#include "platform/design/DesignTexts.h"
#include "platform/design/Form.h"

class QFrame;
class QLabel;
class QPlainTextEdit;

namespace tolvex {

// The information window: names, version, the notices and the credits.
class Tinfoform final : public Form {
    Q_OBJECT

public:
    explicit Tinfoform(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* Image2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QPlainTextEdit* Memo1;
    QPlainTextEdit* Memo2;
    QPlainTextEdit* Memo4;
    QLabel* Label4;
    QLabel* Label5;
    QFrame* Bevel1;
    QPlainTextEdit* Memo3;

protected:
    void FormShow() override;
};

extern Tinfoform* infoform;


} // namespace tolvex
