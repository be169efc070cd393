#include "sample_receipts.h"

#include <span>

namespace {

// Blanks are part of the layout on a 32-column printer: counts matter, so do full-width colons.
const char* const RECEIPT_EN[] = {
    "        Supper Market",
    "POS No.0001    Cashier:1001",
    "Time\xEF\xBC\x9A" "2022/01/10 11:08:12",
    "Name       Unit     Price     Num",
    "--------------------------------",
    "Apple      kg      8.00       5.00",
    "Orange     kg      7.00       10.00",
    "Grape      kg      10.00      10.00",
    "--------------------------------",
    "Total\xEF\xBC\x9A" "210.00",
    "--------------------------------",
    "Thank you!",
    "Welcom for your next shipping!",
};

const char* const RECEIPT_ZH[] = {
    "           测试店",
    "POS机号:0001    收款员：王五",
    "交易时间：2020-05-30 11:08:12",
    "品名      单价     数量     金额",
    "可口可乐   2.50   1.00      2.50",
    "生鱼片     98.0    1.00    98.00",
    "生鱼片     98.0    1.00    98.00",
    "生鱼片     98.0    1.00    98.00",
    "生鱼片     98.0    1.00    98.00",
    "--------------------------------",
    "合计金额：2323230.00",
    "实付金额：0.01",
    "支付方式：扫描支付",
    "--------------------------------",
};

QString Join(std::span<const char* const> lines)
{
    QString text;
    for (const char* line : lines)
        text += QString::fromUtf8(line) + QStringLiteral("\r\n");
    return text;
}

} // namespace

QString SampleReceipt(bool chinese)
{
    return chinese ? Join(RECEIPT_ZH) : Join(RECEIPT_EN);
}
