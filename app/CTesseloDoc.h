#pragma once
// CTesseloDoc: one image window's document. It holds the image and the document settings
// that a new document takes from the stored settings; the dialogs edit the fields in place.
// A document belongs to its child frame and dies with it.

#include <QObject>
#include <QSize>
#include <QString>
#include <functional>

#include "CCommandTarget.h"
#include "CRaster.h"
#include "PointLists.h"
#include "Undefined.h"

class CArchive;
class CTesseloView;
class CChildFrame;

class CTesseloDoc : public QObject, public CCommandTarget {
    Q_OBJECT
public:
    CTesseloDoc();
    ~CTesseloDoc() override;

    const QString& GetTitle() const { return m_title; }
    void SetTitle(const QString& title);
    // A title from the string table: the text with its "%s" filled by the value. It reads anew
    // in the interface language after every switch (RetranslateTitle).
    void SetTitle(int textId, const QString& value = QString());
    void RetranslateTitle();

    CTesseloView* GetFirstView() const { return m_view; }
    void SetView(CTesseloView* view) { m_view = view; }
    void SetFrame(CChildFrame* frame) { m_frame = frame; }

    // The filter of the image open and save dialogs.
    static constexpr const char* kImageFilter =
        "JPG (*.jpg)|*.jpg|BMP (*.bmp)|*.bmp|TIFF (*.tif)|*.tif|GIF (*.gif)|*.gif|"
        "PNG (*.png)|*.png|PCX (*.pcx)|*.pcx|TGA (*.tga)|*.tga|WBMP (*.wbmp)|*.wbmp|"
        "JP2 (*.jp2)|*.jp2|JPC (*.jpc)|*.jpc|PGX (*.pgx)|*.pgx|PNM (*.pnm)|*.pnm|"
        "RAS (*.ras)|*.ras|Icon (*.ico)|*.ico|All Files (*.*)|*.*||";

    // Asks the user for a point name: `caption` (empty: the dialog's own), `name` preset with
    // the proposal and holding the entered text afterwards; false when cancelled. The
    // point-name dialog installs itself here; without one every request counts as cancelled.
    using PointNameAsker = std::function<bool(const QString& caption, QString& name)>;
    static void SetPointNameAsker(PointNameAsker asker);
    static bool AskPointName(const QString& caption, QString& name);

    // Point operations after a pick (image pixels); 1 added or replaced, 0 cancelled.
    int AddControlPoint(double x, double y);
    int AddRectangleCorner(double x, double y);
    int AddMeasurePoint(double x, double y);
    // First point of a new pair (state 0 or 2) or the second one (state 1); always 1.
    int SetDistancePoint(double x, double y);

    // Target coordinates of a target image pixel (x right, y down) through the extent; 0 and
    // undefined outputs in a source document, without an extent or image, or for undefined input.
    int PixelToTarget(double px, double py, double& x, double& y) const;
    // The 3D point of a target pixel on the object plane; 0 and undefined outputs unless the
    // coordinate system is 3D, the plane is set and PixelToTarget succeeds.
    int PixelToPlane3D(double px, double py, double& x, double& y, double& z) const;

    // Width and height of the image in pixels.
    QSize GetImageSize() const;
    // Arms the first view for picking.
    void ArmFirstView();
    // After the image was replaced: the first view shows it anew at 100 %, idle.
    void SetImageChanged();
    // A target made from `other` (rectified or cropped) takes over its coordinate system, 3D
    // flag, object plane, decimals, background colour and side-file flags.
    void TakeTargetSettings(const CTesseloDoc& other);

    // Reads a document file (the parameter-file layout). False when it cannot be read or is
    // damaged; the document then stays as it was.
    bool OnOpenDocument(const QString& path);
    // Loads an image file into the document by the format its extension names; 1 on success.
    // A failure shows the image library's error text and leaves the document's image as it was.
    int OpenImage(const QString& path);
    // Format id of a lower-case file extension; 0 (try every format) for an unknown one.
    static uint32_t ImageTypeFromExtension(const QString& extension);
    // Closes the document's window, and with it the document.
    void OnCloseDocument();
    // "Bild entzerren": the reference points or the rectangle dialog over this source document.
    void OnRectify();

    // Measuring in a target document (CTesseloDocMeasure.cpp): the coordinates dialog and the
    // distance dialog, both modal on this document.
    void OnFinishMeasure();
    int ShowDistance();

    // Commands of a target document. "Bild Speichern unter": the save dialog, then
    // SaveImage; true when the image was saved.
    bool OnFileSaveAs();
    // Ctrl+S: a target saved before is saved again to its own path in its own format, any
    // other one goes through "Bild Speichern unter". True when the image was saved.
    bool OnFileSave();
    void OnCrop();
    void OnMirrorHorizontal();
    void OnMirrorVertical();

    // Side files beside a saved target image (imagePath: the full path of the saved image).
    // Each writes its file anew and puts the line for the save message into text; 1 on success,
    // 0 when the file cannot be written or the document has no target extent or image.
    // World file: imagePath + "w", six lines. Georeferencing file: imagePath + ".vexo".
    int WriteWorldFile(const QString& imagePath, QString& text) const;
    int WriteGeoRefFile(const QString& imagePath, QString& text) const;
    // CAD reference file imagePath + ".acadref"; same results and texts as the writers above.
    int WriteCadRefFile(const QString& imagePath, QString& text) const;
    // The sixteen placement texts of the image in a CAD drawing (selector 0: 2D, 1: on the
    // object plane); texts that cannot be computed stay empty. Returns 1.
    int ComputeCadPlacement(int is3D, QString texts[16]) const;

    // The parameter file body. Storing writes version 3 (56 bytes). Loading reads versions 0
    // to 3 and checks the whole body first: a short or damaged body raises CArchiveException
    // and leaves the document as it was.
    void Serialize(CArchive& ar);
    enum class ParameterLoad { Loaded, Unreadable, Damaged };
    ParameterLoad LoadParameterFile(const QString& path);
    // Writes the whole file anew (a temporary file in the same folder, renamed on success).
    bool StoreParameterFile(const QString& path);
    // "Parameter Laden" and "Parameter Speicher unter" (source documents).
    void OnLoadParameters();
    void OnSaveParameters();

    // A target holds a picture that was made or changed since it was last saved.
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag() { m_modified = true; }
    // Before the window closes: an unsaved picture asks whether to save it (Ja saves as
    // Ctrl+S does, Nein discards it). False keeps the window: Abbrechen, or a save that was
    // cancelled or failed.
    bool SaveModified();

    // The image; it also carries the JPEG quality setting, which every image save uses.
    CRaster m_image{10, 10, 24};

    // Crop rectangle left by the crop tool, image pixels (left, top, right, bottom).
    int m_cropValid = 0;
    double m_cropX0 = UNDEFINED_VALUE, m_cropY0 = UNDEFINED_VALUE;
    double m_cropX1 = UNDEFINED_VALUE, m_cropY1 = UNDEFINED_VALUE;

    // Document settings (see RegistrySettings.h for their stored defaults).
    int m_worldFile = 0;   // write the world file after saving
    int m_geoRefFile = 0;  // write the own georeferencing file after saving
    int m_koosys = 0;      // coordinate system 0..4
    int m_red = 0;         // background of rectified images, 0..255 per channel
    int m_green = 0;
    int m_blue = 0;
    int m_decimals = 3;           // decimals of coordinate input, 0..6
    QString m_calibrationFolder;  // folder of camera calibration files, with a trailing "/"
    int m_is3D = 1;               // 1 when the coordinate system is below 2

    int m_nextPointNumber = 1;  // default name of the next measured point

    CControlPointList m_points;            // control points (source document)
    CCornerList m_corners;                 // rectangle corners (source document), at most 4
    double m_rectWidth = UNDEFINED_VALUE;  // rectangle size in metres
    double m_rectHeight = UNDEFINED_VALUE;
    int m_measureMode = 1;  // 1 control points, 0 rectangle corners

    QString m_imagePath;  // path under which the target image was last saved

    // Target extent: reference coordinates of the image's left, bottom, right and top edges; a
    // mirror or flip swaps a pair, so left may exceed right and bottom top.
    double m_extentLeft = UNDEFINED_VALUE, m_extentBottom = UNDEFINED_VALUE;
    double m_extentRight = UNDEFINED_VALUE, m_extentTop = UNDEFINED_VALUE;
    // Object plane of a 3D target: origin S, axes A and B (x, y, z each); a target pixel with
    // plane coordinates (u, v) lies at S - u A + v B.
    double m_plane[9] = {UNDEFINED_VALUE, UNDEFINED_VALUE, UNDEFINED_VALUE,
                         UNDEFINED_VALUE, UNDEFINED_VALUE, UNDEFINED_VALUE,
                         UNDEFINED_VALUE, UNDEFINED_VALUE, UNDEFINED_VALUE};

    CMeasurePointList m_measurePoints;  // points measured in a target document

    // Distance tool: the two end points in image pixels and how many are set (0, 1, 2).
    double m_distX1 = 0.0, m_distY1 = 0.0;
    double m_distX2 = 0.0, m_distY2 = 0.0;
    int m_distanceState = 0;

    int m_workflowStep = 1;         // the assistant step of this document, 0..10
    int m_distortionCorrected = 0;  // control points were corrected for lens distortion
    int m_isSource = 1;             // 1 source document, 0 target document

signals:
    void titleChanged(const QString& title);

private:
    void RegisterFileCommands();
    // A target extent with four defined values over an image of at least one pixel.
    bool HasTargetExtent() const;
    // All nine plane values defined.
    bool HasObjectPlane() const;
    void RegisterCommands();
    void InitMeasureCommands();
    // Asks for a name and adds or moves the named point; shared by control and measure points.
    template <class List>
    int AddNamedPoint(List& list, double x, double y);
    // Saves the image under the path in the format its extension names, with the side files
    // the settings ask for; reports either way. A failure leaves the image path empty.
    bool SaveImage(const QString& path);

    QString m_title;
    int m_titleId = 0;  // the string-table text of the title; 0 for a title given as it stands
    QString m_titleValue;
    bool m_modified = false;
    CTesseloView* m_view = nullptr;  // owned by the frame, which outlives the document
    CChildFrame* m_frame = nullptr;
};
