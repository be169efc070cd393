// The tool's texts are GBK (code page 936) bytes in the settings record and in every call to
// posperiph; widgets show Unicode. These two convert at that boundary.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

QString FromGbk(const std::string& bytes);
QString FromGbk(const QByteArray& bytes);
std::string ToGbk(const QString& text);
