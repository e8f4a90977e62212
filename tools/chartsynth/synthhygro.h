#ifndef VELLORA_SYNTHHYGRO_H
#define VELLORA_SYNTHHYGRO_H

// The hygrometer scale as printed on the standard chart, for drawing charts:
// kept apart from the program's own table so that a wrong entry there shows
// as a reading error instead of agreeing with itself.
class PrintedHygroScale {
public:
    PrintedHygroScale();
    // Millimetres below the field's first row of a humidity, 0..100 %:
    // through every printed line, monotone between them.
    double toMM(double percent) const;

private:
    double slope[21];
};

#endif
