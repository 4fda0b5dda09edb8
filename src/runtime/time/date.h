#pragma once
// Calendar arithmetic on plain day, month (1..12) and full-year integers, Gregorian rules.

bool date_isLeap(int year);
int date_daysInMonth(int month, int year);         // 0 for a month outside 1..12
int date_daysBeforeMonth(int month, int year);     // days of the year before the 1st of month (1..12)
int date_dayOfWeek(int day, int month, int year);  // 0 Sunday .. 6 Saturday

// The week number the screens show. It is not ISO 8601: Monday to Saturday agree with ISO weeks
// except 1 and 2 January after a 53-week year (they give 52), while Sundays count as the first day of
// the following week.
int date_weekOfYear(int day, int month, int year);
