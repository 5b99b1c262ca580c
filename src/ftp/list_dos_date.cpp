#include "ftp/list_dos_date.h"

namespace {

class TScanner {
public:
    explicit TScanner(std::string_view text) : FText(text) {}

    bool AtEnd() const { return FPos >= FText.size(); }

    void SkipBlanks() {
        while (!AtEnd() && FText[FPos] == ' ')
            ++FPos;
    }

    bool Char(char c) {
        SkipBlanks();
        if (AtEnd() || FText[FPos] != c)
            return false;
        ++FPos;
        return true;
    }

    // Up to four decimal digits; more would never be a valid date part and could
    // overflow.
    bool Number(int& value, int& digits) {
        SkipBlanks();
        value = 0;
        digits = 0;
        while (!AtEnd() && FText[FPos] >= '0' && FText[FPos] <= '9') {
            if (++digits > 4)
                return false;
            value = value * 10 + (FText[FPos] - '0');
            ++FPos;
        }
        return digits > 0;
    }

    // "AM" or "PM" in any letter case: 0 for AM, 1 for PM, -1 when absent.
    int Meridiem() {
        SkipBlanks();
        if (FText.size() - FPos < 2)
            return -1;
        const char a = static_cast<char>(FText[FPos] & ~0x20);
        const char m = static_cast<char>(FText[FPos + 1] & ~0x20);
        if (m != 'M' || (a != 'A' && a != 'P'))
            return -1;
        FPos += 2;
        return a == 'P' ? 1 : 0;
    }

private:
    std::string_view FText;
    size_t FPos = 0;
};

int WindowedYear(int year, int digits, int currentYear) {
    if (digits > 2)
        return year;
    const int windowStart = currentYear - 50;
    year += windowStart / 100 * 100;
    if (year < windowStart)
        year += 100;
    return year;
}

bool ScanDate(TScanner& scan, int currentYear, TDateTime& out) {
    int month, day, year, digits;
    if (!scan.Number(month, digits) || !scan.Char('/') || !scan.Number(day, digits) ||
        !scan.Char('/') || !scan.Number(year, digits))
        return false;
    return TryEncodeDate(WindowedYear(year, digits, currentYear), month, day, out);
}

bool ScanTime(TScanner& scan, TDateTime& out) {
    int hour, minute, second = 0, digits;
    if (!scan.Number(hour, digits) || !scan.Char(':') || !scan.Number(minute, digits))
        return false;
    if (scan.Char(':') && !scan.Number(second, digits))
        return false;
    const int meridiem = scan.Meridiem();
    if (meridiem >= 0) {
        // 12-hour clock: 12AM is midnight, 12PM noon, and 0 or 13+ are not hours.
        if (hour == 0 || hour > 12)
            return false;
        hour = hour % 12 + 12 * meridiem;
    }
    return TryEncodeTime(hour, minute, second, 0, out);
}

} // namespace

TDateTime DosDateTimeToDateTime(std::string_view AText, int ACurrentYear) {
    TScanner scan(AText);
    TDateTime date = 0;
    if (!ScanDate(scan, ACurrentYear, date))
        return 0;
    scan.SkipBlanks();
    TDateTime time = 0;
    if (!scan.AtEnd() && !ScanTime(scan, time))
        return 0;
    scan.SkipBlanks();
    if (!scan.AtEnd())
        return 0;
    return date + time;
}
