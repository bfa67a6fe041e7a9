#pragma once
// CDistortionGridCtrl: shows what a lens-distortion model does. A square grid centred in the
// control, each grid point moved by the model's forward ("Sampling") correction times an
// exaggeration factor (subtracted), drawn as horizontal and vertical polylines on white. Only a
// white field while the calibration is missing or not valid.
//
// Positions are pixels of the control's client area (inside its frame), x to the right, y
// downwards. The grid's middle is the distortion centre and its width stands for the width of
// the calibration image.

#include <QFrame>
#include <QPoint>
#include <vector>

class CDistortionCalibration;

class CDistortionGridCtrl : public QFrame {
    Q_OBJECT
public:
    // Displaced points are clamped to this many pixels either way.
    static constexpr int kCoordinateLimit = 1 << 20;

    explicit CDistortionGridCtrl(QWidget* parent = nullptr);

    // Exaggeration of the drawn correction (1 to 1000).
    void SetFactor(int factor) { m_factor = factor; }
    int Factor() const { return m_factor; }
    // The grid step is 3 times this parameter, in pixels (1 to 10).
    void SetGridParameter(int parameter) { m_gridParameter = parameter; }
    int GridParameter() const { return m_gridParameter; }
    // The calibration shown (not owned); its image range is set to the grid when painting.
    void SetCalibration(CDistortionCalibration* calibration) { m_calibration = calibration; }

    using Polyline = std::vector<QPoint>;
    struct Lines {
        std::vector<Polyline> horizontal;
        std::vector<Polyline> vertical;
    };
    // The polylines for a client area of this size; none while there is nothing to show. A
    // point whose displacement is not finite is left out, which breaks its line in two.
    Lines BuildLines(int width, int height) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_factor = 1;
    int m_gridParameter = 5;
    CDistortionCalibration* m_calibration = nullptr;
};
