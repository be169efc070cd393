#include "gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

QString FromGbk(const QByteArray& bytes)
{
    // A lead byte at the very end would wait in the decoder for its second byte and vanish;
    // a closing NUL makes it show as a replacement character instead.
    QStringDecoder decoder("GBK");
    QByteArray terminated = bytes;
    terminated.append('\0');
    QString text = decoder(terminated);
    if (text.endsWith(QChar(u'\0')))
        text.chop(1);
    return text;
}

QString FromGbk(const std::string& bytes)
{
    return FromGbk(QByteArray(bytes.data(), qsizetype(bytes.size())));
}

std::string ToGbk(const QString& text)
{
    QStringEncoder encoder("GBK");
    const QByteArray b = encoder(text);
    return std::string(b.constData(), size_t(b.size()));
}
