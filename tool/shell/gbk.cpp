#include "gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

QString FromGbk(const QByteArray& bytes)
{
    QStringDecoder decoder("GBK");
    return decoder(bytes);
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
