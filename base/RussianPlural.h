#ifndef TALVIK_BASE_RUSSIANPLURAL_H
#define TALVIK_BASE_RUSSIANPLURAL_H

#include <QString>

// The form of a Russian noun (or participle) that goes with a count:
// `one` for 1, 21, 101…, `few` for 2–4, 22–24…, `many` for 0, 5–20, 25–30…
// ("1 уставка", "2 уставки", "5 уставок", "11 уставок").
inline const QString& russianPlural(long long count, const QString& one, const QString& few,
                                    const QString& many)
{
    const long long n = count < 0 ? -count : count;
    const long long lastTwo = n % 100;
    const long long last = n % 10;
    if (lastTwo >= 11 && lastTwo <= 14)
        return many;
    if (last == 1)
        return one;
    if (last >= 2 && last <= 4)
        return few;
    return many;
}

#endif
