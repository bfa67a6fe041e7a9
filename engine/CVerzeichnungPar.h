#pragma once
// CVerzeichnungPar: one calibrated lens-distortion model of a camera.
//
// Positions are pixels of the image being corrected; SetImageRange gives that image's range, so
// that the model is evaluated relative to its centre and scaled into calibration-image pixels
// (scale = SizeX / (xmax - xmin)). Models (u, v relative to the centre in calibration pixels,
// r = sqrt(u² + v²)):
//   Typ 0  k1, k2, k3          radial, du = u (k1 r + k2 r³ + k3 r⁵), dv likewise with v
//   Typ 1  P1, P2              du = P1 (r² + 2u²) + 2 P2 u v, dv = 2 P1 u v + P2 (r² + 2v²)
//   Typ 2  k1, k2, k3, P1, P2  the sum of Typ 0 and Typ 1
//   Typ 3  k1                  radial, du = k1 u r², dv = k1 v r²
// With Offset 1 each list carries ox, oy after the coefficients; they shift (u, v) first.
// "Sampling" maps measured (distorted) to ideal positions, "Resampling" ideal to measured.

#include <string>
#include <vector>

class CArchive;

class CVerzeichnungPar {
public:
    static constexpr const char* kClassName = "CVerzeichnungPar";

    CVerzeichnungPar();
    virtual ~CVerzeichnungPar();

    // Number of coefficients of a model, offsets included; 0 for an unknown model.
    static int CoefficientCount(int typ, int offset);

    void SetImageRange(double xmin, double ymin, double xmax, double ymax);
    // Correction at (x, y) from Sampling (selector 0) or Resampling (other). 0 with (0, 0) when
    // the set is not valid; (0, 0) and 0 as well when the image range is empty or the list is
    // too short for the model; (0, 0) and 1 for an unknown model type.
    int ComputeCorrection(double x, double y, int selector, double& dx, double& dy) const;
    // The same correction for a point given with its row counted from the bottom edge of the
    // image range (bottom-up pixel rows): evaluated in the image frame, y downwards, that the
    // model was calibrated in; drow is the change of the row.
    int ComputeCorrectionBottomUp(double x, double row, int selector, double& dx,
                                  double& drow) const;
    std::string GetInfoText() const;

    // Calibration file: Save replaces the file whole (CSafeFileWriter); 0, with the old file
    // kept and the reason in *error when given, when it cannot be written. Load reads it all or
    // nothing: a missing, short or malformed file, a version other than 0 or, in a valid set,
    // a model that does not fit its lists give 0 and leave the set unchanged. 1 on success.
    int Save(const std::string& path, std::string* error = nullptr) const;
    int Load(const std::string& path);
    // The ASCII listing, lines ending in CR LF, numbers in the C locale; written and reported
    // like Save.
    int ExportAscii(const std::string& path, std::string* error = nullptr) const;
    // Loading raises CArchiveException on malformed input and changes nothing then.
    void Serialize(CArchive& ar);

    int m_sizeX = 0, m_sizeY = 0;  // calibration image, pixels
    std::string m_bez;             // camera name, UTF-8
    int m_valid = 0;
    int m_typ = 0;
    int m_offset = 0;
    std::vector<double> m_sampling;
    std::vector<double> m_resampling;

    double GetScale() const { return m_scale; }
    double GetCentreX() const { return m_centreX; }
    double GetCentreY() const { return m_centreY; }

private:
    void Store(CArchive& ar) const;
    // The correction of the point offsetX, offsetY image pixels from the centre, y downwards.
    int CorrectionAt(double offsetX, double offsetY, int selector, double& dx, double& dy) const;

    double m_xmin = -1.0, m_ymin = -1.0, m_xmax = -1.0, m_ymax = -1.0;
    double m_centreX = -1.0, m_centreY = -1.0;
    double m_scale = 1.0;
};
