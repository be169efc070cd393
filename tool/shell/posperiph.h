// posperiph: the terminal's POS peripheral library (printer, cash drawer, scale). Not ours: the
// tool links it at load time by name and declares here the sixteen functions as it calls them.
// Texts are GBK bytes in writable buffers; a scale command's 240 means success.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Fills a zeroed 20-byte buffer with the library's version text (at most 19 characters).
int GetDllVersion(char* version20);

int OpenCashDrawerEx(void);
// 0 = drawer open, anything else = closed.
unsigned char GetCashDrawerStatus(void);

// format: 8, 32, 40 or 50.
int PrintText(char* text, int format);
int PrintBarCode(char* text, int a, int b, int c);
int PrintQrCode(char* text, int size);
// path of an existing file; density 0 to 3.
int PrintBitmapFile(char* path, int density);
// 4 feeds paper; a receipt ends with 8, then 4.
int BeginPrint(int mode);
int CutPaper(void);
int ClosePrinterEx(void);

// Fills at most 31 bytes of a zeroed 32-byte buffer: byte 0 status bits (bit 0 stable, bit 1 at
// zero), bytes 1-7 net weight text in kg, bytes 9-15 tare text in kg. Result: 240 valid reading;
// -1, -2, -5 reading with an error (-2 and -5 overflow); -8 a library it needs failed to load;
// anything else: no reading.
int read_standard(char* reading32);
int send_zero(void);
int send_tare(int zero);
// Seven characters, the tare in kg formatted "%-7.3f"; no terminator is promised.
int send_pre_tare(char* tare7);
// 32 writable bytes of scratch space.
int clear_tare(char* scratch32);
// 1 on, 0 off.
int set_overflow_alarm(int on);

#ifdef __cplusplus
}
#endif
