// Rows of a picture of a spectrum on a logarithmic frequency axis, and how
// the bins of a Fourier transform fall into them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Row r covers the band from low × ratio^r to low × ratio^(r+1), with ratio
// the rows' share of the span from lowest to highest, so that each octave gets
// the same height. A band that holds bin centres takes the largest of their
// powers (a steady sine then reads its level, whatever the band's width); a
// band narrower than a bin, low down, takes the power interpolated between
// the two bins around its centre.
class LogFrequencyAxis {
public:
    // binHz is the transform's resolution (rate / size), binCount the bins it
    // gives (size / 2 + 1). highestHz is held below the last bin.
    LogFrequencyAxis(std::size_t rows, double lowestHz, double highestHz, double binHz, std::size_t binCount);

    std::size_t GetRowCount() const { return m_rows.size(); }
    // A row's band edges and its centre (geometric), in Hz.
    double GetRowLowHz(std::size_t row) const;
    double GetRowHighHz(std::size_t row) const { return GetRowLowHz(row + 1); }
    double GetRowCentreHz(std::size_t row) const;

    // Maps the bins' powers (binCount of them) to the rows' (GetRowCount).
    void Map(const float* binPowers, float* rowPowers) const;

private:
    struct Row {
        std::uint32_t m_nFirstBin;  // the band's bins, or the bin below its centre
        std::uint32_t m_nLastBin;   // inclusive
        float m_fFraction;          // how far the centre lies towards the next bin
        bool m_bInterpolate;        // no bin centre in the band
    };

    double m_dLowestHz;
    double m_dRatio;
    std::vector<Row> m_rows;
};
