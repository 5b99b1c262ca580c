// The date-time value: days since 1899-12-30 in the integer part, the time of
// day in the fraction; 0 stands for "no value".
#pragma once

#include <ctime>
#include <functional>
#include <string>

using TDateTime = double;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out);
// Both raise EConvertError ("Invalid argument to date encode" / "... time encode").
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);

void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);

// Local calendar time of a POSIX time stamp, and the local "now".
TDateTime LocalDateTimeFromUnix(std::time_t stamp);
TDateTime Now();

// A source of "now" that tests can replace.
using TClock = std::function<TDateTime()>;

// "yyyy-mm-dd hh:nn:ss", the time left out when it is exactly midnight.
std::string DateTimeToText(TDateTime value);
