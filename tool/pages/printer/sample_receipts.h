// The sample receipts the printer page puts into its receipt box, one per language.
#pragma once

#include <QString>

// Every line ends with "\r\n", the last one included.
QString SampleReceipt(bool chinese);
