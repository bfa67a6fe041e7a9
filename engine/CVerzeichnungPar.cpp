#include "CVerzeichnungPar.h"

#include <cmath>

#include "CArchive.h"
#include "CArchiveException.h"
#include "CNumberText.h"
#include "CSafeFileWriter.h"
#include "CWin1252.h"
#include "StringTable.h"

namespace {

constexpr int kVersion = 0;
constexpr int kMsgInfo = 10096;
constexpr int kMsgParameters = 10097;
constexpr int kMsgYes = 10102;
constexpr int kMsgNo = 10103;

// Text-mode line ends as the files have them.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (char ch : text) {
        if (ch == '\n') out += '\r';
        out += ch;
    }
    return out;
}

}  // namespace

CVerzeichnungPar::CVerzeichnungPar() = default;
CVerzeichnungPar::~CVerzeichnungPar() = default;

int CVerzeichnungPar::CoefficientCount(int typ, int offset) {
    static constexpr int kCounts[4] = {3, 2, 5, 1};
    if (typ < 0 || typ > 3) return 0;
    return kCounts[typ] + (offset == 1 ? 2 : 0);
}

void CVerzeichnungPar::SetImageRange(double xmin, double ymin, double xmax, double ymax) {
    m_xmin = xmin;
    m_ymin = ymin;
    m_xmax = xmax;
    m_ymax = ymax;
    m_centreX = (xmin + xmax) / 2;
    m_centreY = (ymin + ymax) / 2;
    m_scale = double(m_sizeX) / (xmax - xmin);
}

int CVerzeichnungPar::ComputeCorrection(double x, double y, int selector, double& dx,
                                        double& dy) const {
    return CorrectionAt(x - m_centreX, y - m_centreY, selector, dx, dy);
}

int CVerzeichnungPar::ComputeCorrectionBottomUp(double x, double row, int selector, double& dx,
                                                double& drow) const {
    // The image-frame y of the row is ymin + ymax - row, which lies centreY - row below the
    // centre. Negating the offset, not the position, keeps the arithmetic exact: for a model
    // symmetric about the centre the result equals bit for bit the correction at (x, row).
    const int result = CorrectionAt(x - m_centreX, m_centreY - row, selector, dx, drow);
    drow = -drow;
    return result;
}

int CVerzeichnungPar::CorrectionAt(double offsetX, double offsetY, int selector, double& dx,
                                   double& dy) const {
    dx = dy = 0.0;
    if (m_valid == 0) return 0;
    // An empty image range gives no usable scale.
    if (!std::isfinite(m_scale) || m_scale == 0.0) return 0;
    const std::vector<double>& list = selector ? m_resampling : m_sampling;
    // An unknown model corrects nothing; a list that does not fit the model (only possible
    // when set by hand) gives no usable correction.
    const int count = CoefficientCount(m_typ, m_offset);
    if (count == 0) return 1;
    if (int(list.size()) < count) return 0;
    double u = offsetX * m_scale;
    double v = offsetY * m_scale;
    if (m_offset == 1) {
        u += list[list.size() - 2];
        v += list[list.size() - 1];
    }
    double du = 0.0, dv = 0.0;
    switch (m_typ) {
        case 0: {
            const double r = std::sqrt(u * u + v * v);
            const double f = list[0] * r + list[1] * std::pow(r, 3) + list[2] * std::pow(r, 5);
            du = u * f;
            dv = v * f;
            break;
        }
        case 1: {
            const double r2 = u * u + v * v;
            du = list[0] * (r2 + 2 * u * u) + 2 * list[1] * u * v;
            dv = 2 * list[0] * u * v + list[1] * (r2 + 2 * v * v);
            break;
        }
        case 2: {
            const double r = std::sqrt(u * u + v * v);
            const double f = list[0] * r + list[1] * std::pow(r, 3) + list[2] * std::pow(r, 5);
            const double r2 = std::pow(r, 2);
            du = u * f + list[3] * (r2 + 2 * u * u) + 2 * list[4] * u * v;
            dv = v * f + 2 * list[3] * u * v + list[4] * (r2 + 2 * v * v);
            break;
        }
        case 3: {
            const double r2 = u * u + v * v;
            du = list[0] * u * r2;
            dv = list[0] * v * r2;
            break;
        }
        default:
            break;
    }
    dx = du / m_scale;
    dy = dv / m_scale;
    return 1;
}

std::string CVerzeichnungPar::GetInfoText() const {
    if (m_valid == 0) return {};
    const std::string format = strings::Load(kMsgInfo);
    const std::string offset = strings::Load(m_offset == 1 ? kMsgYes : kMsgNo);
    std::string text = CNumberText::Format(format.c_str(), m_bez.c_str(), m_typ + 1,
                                           int(m_sampling.size()), offset.c_str());
    text += strings::Load(kMsgParameters);
    for (size_t k = 0; k < m_sampling.size(); ++k) {
        text += CNumberText::Format("\r\n%i: %3.15f    (%1.15e)", int(k + 1), m_sampling[k],
                                    m_sampling[k]);
    }
    return text;
}

void CVerzeichnungPar::Store(CArchive& ar) const {
    ar.WriteInt32(kVersion);
    ar.WriteInt32(m_valid);
    ar.WriteInt32(m_typ);
    ar.WriteInt32(m_offset);
    ar.WriteInt32(m_sizeX);
    ar.WriteInt32(m_sizeY);
    ar.WriteString(m_bez);
    ar.WriteDoubleArray(m_sampling);
    ar.WriteDoubleArray(m_resampling);
}

void CVerzeichnungPar::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        Store(ar);
        return;
    }
    auto bad = [](const char* what) {
        throw CArchiveException(CArchiveException::Cause::BadFormat, what);
    };
    if (ar.ReadInt32() != kVersion) bad("CVerzeichnungPar: unknown version");
    CVerzeichnungPar loaded(*this);
    loaded.m_valid = ar.ReadInt32();
    loaded.m_typ = ar.ReadInt32();
    loaded.m_offset = ar.ReadInt32();
    loaded.m_sizeX = ar.ReadInt32();
    loaded.m_sizeY = ar.ReadInt32();
    // The name and the lists are bounded by the bytes left in the file.
    loaded.m_bez = ar.ReadString();
    loaded.m_sampling = ar.ReadDoubleArray();
    loaded.m_resampling = ar.ReadDoubleArray();
    // A set saved before any calculation (Valid 0) holds no model: its fields are not checked.
    if (loaded.m_valid) {
        if (loaded.m_typ < 0 || loaded.m_typ > 3) bad("CVerzeichnungPar: unknown model");
        if (loaded.m_offset != 0 && loaded.m_offset != 1) bad("CVerzeichnungPar: bad offset flag");
        if (loaded.m_sizeX <= 0) bad("CVerzeichnungPar: bad calibration image size");
        const size_t count = size_t(CoefficientCount(loaded.m_typ, loaded.m_offset));
        if (loaded.m_sampling.size() != count || loaded.m_resampling.size() != count) {
            bad("CVerzeichnungPar: coefficient lists do not fit the model");
        }
    }
    *this = std::move(loaded);
}

int CVerzeichnungPar::Save(const std::string& path, std::string* error) const {
    CArchive ar;
    Store(ar);
    return ar.WriteFile(path, error) ? 1 : 0;
}

int CVerzeichnungPar::Load(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!CArchive::ReadFile(path, bytes)) return 0;
    try {
        CArchive ar(std::move(bytes));
        Serialize(ar);
    } catch (const CArchiveException&) {
        return 0;
    }
    return 1;
}

int CVerzeichnungPar::ExportAscii(const std::string& path, std::string* error) const {
    const std::string name = CWin1252::FromUtf8(m_bez);
    std::string text = CNumberText::Format(
        "Bez:        %s\nValid:      %i\nTyp:        %i\nOffset:     %i\nSizeX:      %i\n"
        "SizeY:      %i\n",
        name.c_str(), m_valid, m_typ, m_offset, m_sizeX, m_sizeY);
    auto list = [&](const char* title, const std::vector<double>& values) {
        text += CNumberText::Format(title, int(values.size()));
        for (size_t k = 0; k < values.size(); ++k) {
            text += CNumberText::Format("%i:          % 1.16e\n", int(k + 1), values[k]);
        }
    };
    list("Sampling:   %i Params\n", m_sampling);
    list("Resampling: %i Params\n", m_resampling);
    return CSafeFileWriter::WriteFile(path, WithCrLf(text), error) ? 1 : 0;
}
