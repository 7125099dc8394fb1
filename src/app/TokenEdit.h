#pragma once

#include <QLineEdit>

// An editor for a list of tokens stored under one settings key: the user types tokens separated by
// commas, and each finished token is stored as typed (without the blanks around it), in order, as a
// list of texts. A token counts as finished once a comma follows it or the editing ends.
class TokenEdit : public QLineEdit
{
    Q_OBJECT
public:
    TokenEdit(const QString &key, QWidget *parent = nullptr);

    // Shows the tokens stored now.
    void load();

    static QStringList tokensOf(const QString &text);

Q_SIGNALS:
    // The tokens stored changed.
    void stored();

private:
    void store(bool lastTokenFinished);

    QString m_key;
};
