#include "app/TokenEdit.h"

#include "platform/UserDefaults.h"

TokenEdit::TokenEdit(const QString &key, QWidget *parent) : QLineEdit(parent), m_key(key)
{
    setClearButtonEnabled(true);
    connect(this, &QLineEdit::textEdited, this, [this] { store(false); });
    connect(this, &QLineEdit::editingFinished, this, [this] { store(true); });
}

void TokenEdit::load()
{
    setText(
        UserDefaults::standard().stringArrayForKey(m_key).value_or(QStringList()).join(QStringLiteral(", ")));
}

QStringList TokenEdit::tokensOf(const QString &text)
{
    QStringList tokens;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QString token = part.trimmed();
        if (!token.isEmpty())
            tokens.append(token);
    }
    return tokens;
}

void TokenEdit::store(bool lastTokenFinished)
{
    QString finished = text();
    // The token being typed is not stored yet: "jp" on the way to "jpg" is no extension.
    if (!lastTokenFinished && !finished.trimmed().endsWith(QLatin1Char(',')))
        finished.truncate(finished.lastIndexOf(QLatin1Char(',')) + 1);
    const QStringList tokens = tokensOf(finished);
    UserDefaults &defaults = UserDefaults::standard();
    if (defaults.stringArrayForKey(m_key).value_or(QStringList()) == tokens &&
        defaults.objectForKey(m_key).isValid() == !tokens.isEmpty())
        return;
    if (tokens.isEmpty())
        defaults.removeObjectForKey(m_key);
    else
        defaults.setObject(tokens, m_key);
    Q_EMIT stored();
}
