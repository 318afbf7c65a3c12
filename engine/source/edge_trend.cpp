#include "engine/source/edge_trend.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double kPi = 3.141592653589793;

constexpr int kTerms = EdgeTrendFit::kDegree + 1;
using Matrix = std::array<std::array<double, kTerms>, kTerms>;
using Vector = std::array<double, kTerms>;

// Solves the first `size` rows and columns of matrix × c = right by Gaussian
// elimination with partial pivoting; the other coefficients stay 0. A
// singular system (which the fit never forms: its points are distinct)
// leaves the coefficients it cannot find at 0 rather than dividing by 0.
Vector Solve(Matrix matrix, Vector right, int size)
{
    for (int column = 0; column < size; ++column) {
        int pivot = column;
        for (int row = column + 1; row < size; ++row) {
            if (std::abs(matrix[row][column]) > std::abs(matrix[pivot][column]))
                pivot = row;
        }
        std::swap(matrix[column], matrix[pivot]);
        std::swap(right[column], right[pivot]);
        if (matrix[column][column] == 0.0)
            continue;
        for (int row = column + 1; row < size; ++row) {
            const double factor = matrix[row][column] / matrix[column][column];
            for (int k = column; k < size; ++k)
                matrix[row][k] -= factor * matrix[column][k];
            right[row] -= factor * right[column];
        }
    }
    Vector solution{};
    for (int row = size - 1; row >= 0; --row) {
        if (matrix[row][row] == 0.0)
            continue;
        double sum = right[row];
        for (int k = row + 1; k < size; ++k)
            sum -= matrix[row][k] * solution[k];
        solution[row] = sum / matrix[row][row];
    }
    return solution;
}

}  // namespace

EdgeTrend::EdgeTrend(std::array<double, 4> coefficients, double step)
    : m_coefficients(coefficients)
    , m_dStep(step)
{
}

double EdgeTrend::At(double n) const
{
    const double u = U(n);
    const auto& c = m_coefficients;
    return ((c[3] * u + c[2]) * u + c[1]) * u + c[0];
}

double EdgeTrend::SecondDifference(double n) const
{
    const double h = m_dStep;
    const auto& c = m_coefficients;
    return 2.0 * c[2] * h * h + 6.0 * c[3] * h * h * (U(n) - h);
}

double EdgeTrend::SecondDifferenceSlope() const
{
    const double h = m_dStep;
    return 6.0 * m_coefficients[3] * h * h * h;
}

// The fitted frames lie at u = −1, −1 + h, ..., 1.
EdgeTrendFit::EdgeTrendFit(std::size_t count)
    : m_nCount(count)
    , m_dStep(count > 1 ? 2.0 / static_cast<double>(count - 1) : 0.0)
{
}

void EdgeTrendFit::Add(double value)
{
    if (m_nAdded == m_nCount)
        return;
    const double u = -1.0 + m_dStep * static_cast<double>(m_nAdded);
    double power = Weight(m_nAdded);
    for (std::size_t k = 0; k < m_powerSums.size(); ++k) {
        m_powerSums[k] += power;
        if (k < m_valueSums.size())
            m_valueSums[k] += value * power;
        power *= u;
    }
    ++m_nAdded;
}

double EdgeTrendFit::Weight(std::size_t n) const
{
    const double s = std::sin(kPi * static_cast<double>(n + 1) / static_cast<double>(m_nCount + 1));
    return s * s;
}

int EdgeTrendFit::Degree() const
{
    return static_cast<int>(std::min<std::size_t>(kDegree, m_nAdded > 0 ? m_nAdded - 1 : 0));
}

EdgeTrend EdgeTrendFit::Result() const
{
    const int terms = Degree() + 1;
    Matrix normal{};
    Vector right{};
    for (int j = 0; j < terms; ++j) {
        for (int k = 0; k < terms; ++k)
            normal[j][k] = m_powerSums[j + k];
        right[j] = m_valueSums[j];
    }
    return EdgeTrend(Solve(normal, right, m_nAdded > 0 ? terms : 0), m_dStep);
}
