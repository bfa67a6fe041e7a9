<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>Info über Tesselo</source>
        <translation>About Tesselo</translation>
    </message>
    <message>
        <source>Foto - Entzerrung: 2D -&gt; 2D</source>
        <translation>Photo rectification: 2D -&gt; 2D</translation>
    </message>
    <message>
        <source>Word Handbuch öffnen...</source>
        <translation>Open Word manual...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>CBitmapAcadDlg</name>
    <message>
        <source>Bitmap -&gt; Acad</source>
        <translation>Bitmap -&gt; Acad</translation>
    </message>
    <message>
        <source>Autocad 2000 starten ...
Dokument öffnen ...
OK ...</source>
        <translation>Start AutoCAD 2000 ...
Open the drawing ...
OK ...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Zu viele temporäre Files

Temp-Verzeichnis löschen</source>
        <translation>Too many temporary files

Clean up the temp folder</translation>
    </message>
</context>
<context>
    <name>CEinstellungenDlg</name>
    <message>
        <source>Einstellungen als Defaultwert speichern</source>
        <translation>Save settings as defaults</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ARC/INFO World File schreiben (2D)</source>
        <translation>Write ARC/INFO world file (2D)</translation>
    </message>
    <message>
        <source>Tesselo Referenzierung schreiben</source>
        <translation>Write Tesselo referencing</translation>
    </message>
    <message>
        <source>Einstellungen</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Koordinatensystem</source>
        <translation>Coordinate system</translation>
    </message>
    <message>
        <source>Nachkommastellen bei Koordinateneingabe</source>
        <translation>Decimals of coordinate input</translation>
    </message>
    <message>
        <source>JPG Qualität</source>
        <translation>JPG quality</translation>
    </message>
    <message>
        <source>Georeferenzierung speichern</source>
        <translation>Save georeferencing</translation>
    </message>
    <message>
        <source>Hintergrund</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>Rot</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>Grün</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>Blau</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>Pfad für Kamera-Eichdaten</source>
        <translation>Folder of camera calibration data</translation>
    </message>
</context>
<context>
    <name>CErgebnisseAusgleichDlg</name>
    <message>
        <source>(ESC ... Abbruch)</source>
        <translation>(ESC ... abort)</translation>
    </message>
    <message>
        <source>Bild entzerren</source>
        <translation>Rectify image</translation>
    </message>
    <message>
        <source>Farben interpolieren</source>
        <translation>Interpolate colours</translation>
    </message>
    <message>
        <source>Ergebnisse Ausgleich der Transformationsparameter</source>
        <translation>Results of the transformation parameter adjustment</translation>
    </message>
    <message>
        <source>Größe des Zielbildes</source>
        <translation>Size of the target image</translation>
    </message>
    <message>
        <source>Maßstab, Auflösung</source>
        <translation>Scale, resolution</translation>
    </message>
    <message>
        <source>Größe eines Pixel</source>
        <translation>Size of one pixel</translation>
    </message>
    <message>
        <source>&lt;&lt; Zurück</source>
        <translation>&lt;&lt; Back</translation>
    </message>
    <message>
        <source>Größe des Ausgangsbildes</source>
        <translation>Size of the source image</translation>
    </message>
    <message>
        <source>Breite</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>Höhe</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>Maßstab  1:</source>
        <translation>Scale  1:</translation>
    </message>
    <message>
        <source>Auflösung</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>dpi</source>
        <translation>dpi</translation>
    </message>
    <message>
        <source>1 Pixel = </source>
        <translation>1 pixel = </translation>
    </message>
    <message>
        <source>cm</source>
        <translation>cm</translation>
    </message>
    <message>
        <source>Verbesserungen</source>
        <translation>Residuals</translation>
    </message>
    <message>
        <source>Die Größe des Zielbildes ist ungültig: Es muss mindestens 1 x 1 Pixel groß sein und in den Speicher passen.

Bitte eine andere Größe wählen.</source>
        <translation>The size of the target image is invalid: it must be at least 1 x 1 pixels and fit into memory.

Please choose another size.</translation>
    </message>
</context>
<context>
    <name>CErgebnisseEbeneDlg</name>
    <message>
        <source>Weiter &gt;&gt;</source>
        <translation>Next &gt;&gt;</translation>
    </message>
    <message>
        <source>Ergebnisse Berechnung der Ebene</source>
        <translation>Results of the plane computation</translation>
    </message>
    <message>
        <source>&lt;&lt; Zurück</source>
        <translation>&lt;&lt; Back</translation>
    </message>
    <message>
        <source>2D-Koordinaten [m]</source>
        <translation>2D coordinates [m]</translation>
    </message>
    <message>
        <source>Normalabstand [cm]</source>
        <translation>Normal distance [cm]</translation>
    </message>
    <message>
        <source>JA</source>
        <translation>YES</translation>
    </message>
    <message>
        <source>Ein</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Aus</source>
        <translation>Off</translation>
    </message>
</context>
<context>
    <name>CIdentpunkteDlg</name>
    <message>
        <source>ASCII-File importieren ...</source>
        <translation>Import ASCII file ...</translation>
    </message>
    <message>
        <source>Alle Koordinaten bearbeiten</source>
        <translation>Edit all coordinates</translation>
    </message>
    <message>
        <source>Übernehmen</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Weiter &gt;&gt;</source>
        <translation>Next &gt;&gt;</translation>
    </message>
    <message>
        <source>Identpunkte</source>
        <translation>Control points</translation>
    </message>
    <message>
        <source>Koord.-
System</source>
        <translation>Coord.
system</translation>
    </message>
    <message>
        <source>Punkt</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>1. Wert</source>
        <translation>1st value</translation>
    </message>
    <message>
        <source>2. Wert</source>
        <translation>2nd value</translation>
    </message>
    <message>
        <source>3. Wert</source>
        <translation>3rd value</translation>
    </message>
    <message>
        <source>Ein</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Aus</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Bearbeiten</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Löschen</source>
        <translation>Delete</translation>
    </message>
</context>
<context>
    <name>CInfoDlg</name>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Maus</source>
        <translation>Mouse</translation>
    </message>
    <message>
        <source>Doppelclick: Eine Koordinate bearbeiten
Rechte Maustaste:  Punkte ein/aus</source>
        <translation>Double click: edit one coordinate
Right mouse button:  points on/off</translation>
    </message>
    <message>
        <source>Koordinatensysteme</source>
        <translation>Coordinate systems</translation>
    </message>
    <message>
        <source>Bildschirm</source>
        <translation>Screen</translation>
    </message>
    <message>
        <source>Referenzsystem</source>
        <translation>Reference system</translation>
    </message>
    <message>
        <source>2D</source>
        <translation>2D</translation>
    </message>
    <message>
        <source>3D</source>
        <translation>3D</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Rechts</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>Hoch</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>Ost</source>
        <translation>East</translation>
    </message>
    <message>
        <source>Nord</source>
        <translation>North</translation>
    </message>
    <message>
        <source>H</source>
        <translation>H</translation>
    </message>
</context>
<context>
    <name>CKoordinatenDlg</name>
    <message>
        <source>Koordinaten</source>
        <translation>Coordinates</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Alle löschen</source>
        <translation>Delete all</translation>
    </message>
    <message>
        <source>Export...</source>
        <translation>Export...</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Protokoll</source>
        <translation>Protocol</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>Bild Ö&amp;ffnen...	Strg+O</source>
        <translation>&amp;Open Image...	Ctrl+O</translation>
    </message>
    <message>
        <source>Bild Öffnen</source>
        <translation>Open image</translation>
    </message>
    <message>
        <source>Bild &amp;Schließen</source>
        <translation>&amp;Close Image</translation>
    </message>
    <message>
        <source>Bild Schließen</source>
        <translation>Close image</translation>
    </message>
    <message>
        <source>Speichern</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Bild Speichern &amp;unter...</source>
        <translation>Save Image &amp;As...</translation>
    </message>
    <message>
        <source>Bild Speichern unter</source>
        <translation>Save image as</translation>
    </message>
    <message>
        <source>Parameter &amp;Laden ...</source>
        <translation>&amp;Load Parameters ...</translation>
    </message>
    <message>
        <source>Parameter Laden</source>
        <translation>Load parameters</translation>
    </message>
    <message>
        <source>Parameter S&amp;peicher unter ...</source>
        <translation>Save &amp;Parameters As ...</translation>
    </message>
    <message>
        <source>Parameter Speichern unter</source>
        <translation>Save parameters as</translation>
    </message>
    <message>
        <source>&amp;Einstellungen ...</source>
        <translation>S&amp;ettings ...</translation>
    </message>
    <message>
        <source>Einstellungen</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>&amp;Beenden</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>Beenden</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>&amp;Symbolleiste</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>Symbolleiste ein- oder ausblenden</source>
        <translation>Show or hide the toolbar</translation>
    </message>
    <message>
        <source>S&amp;tatusleiste</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>Statusleiste ein- oder ausblenden</source>
        <translation>Show or hide the status bar</translation>
    </message>
    <message>
        <source>Assistent</source>
        <translation>Assistant</translation>
    </message>
    <message>
        <source>Assistent ein- oder ausblenden</source>
        <translation>Show or hide the assistant</translation>
    </message>
    <message>
        <source>Deutsch</source>
        <translation>German</translation>
    </message>
    <message>
        <source>Englisch</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Über&amp;lappend</source>
        <translation>&amp;Cascade</translation>
    </message>
    <message>
        <source>Fenster überlappend anordnen</source>
        <translation>Arrange windows overlapping</translation>
    </message>
    <message>
        <source>&amp;Nebeneinander</source>
        <translation>&amp;Tile</translation>
    </message>
    <message>
        <source>Fenster nebeneinander anordnen</source>
        <translation>Arrange windows side by side</translation>
    </message>
    <message>
        <source>&amp;Symbole anordnen</source>
        <translation>&amp;Arrange Icons</translation>
    </message>
    <message>
        <source>Symbole anordnen</source>
        <translation>Arrange icons</translation>
    </message>
    <message>
        <source>Inf&amp;o über Tesselo...</source>
        <translation>&amp;About Tesselo...</translation>
    </message>
    <message>
        <source>Info über Tesselo</source>
        <translation>About Tesselo</translation>
    </message>
    <message>
        <source>Passpunkte messen</source>
        <translation>Measure control points</translation>
    </message>
    <message>
        <source>Rechteck definieren</source>
        <translation>Define rectangle</translation>
    </message>
    <message>
        <source>Ausschnitt vergrößern</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>Ausschnitt verkleinern</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>Zoom auf 100%</source>
        <translation>Zoom to 100%</translation>
    </message>
    <message>
        <source>Bild entzerren</source>
        <translation>Rectify image</translation>
    </message>
    <message>
        <source>Bild vertikal spiegeln</source>
        <translation>Flip image vertically</translation>
    </message>
    <message>
        <source>Bild horizontal spiegeln</source>
        <translation>Mirror image horizontally</translation>
    </message>
    <message>
        <source>Distanz messen</source>
        <translation>Measure distance</translation>
    </message>
    <message>
        <source>Punkte messen</source>
        <translation>Measure points</translation>
    </message>
    <message>
        <source>Punkte/Fläche messen</source>
        <translation>Measure points/area</translation>
    </message>
    <message>
        <source>Messung abschließen, Ergebnis anzeigen</source>
        <translation>Finish measurement, show result</translation>
    </message>
    <message>
        <source>Bild zuschneiden: Bereich definieren</source>
        <translation>Crop image: define area</translation>
    </message>
    <message>
        <source>Bild zuschneiden und neues Dokument daraus erstellen</source>
        <translation>Crop image and make a new document of it</translation>
    </message>
    <message>
        <source>Symbolleiste</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>&amp;Datei</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Ansicht</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>Sprache</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>&amp;Fenster</source>
        <translation>&amp;Window</translation>
    </message>
    <message>
        <source>&amp;?</source>
        <translation>&amp;?</translation>
    </message>
</context>
<context>
    <name>CPunktAuswaehlenDlg</name>
    <message>
        <source>Neuen Bereich wählen</source>
        <translation>Choose new region</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CPunktbezeichnungDlg</name>
    <message>
        <source>Punktbezeichnung</source>
        <translation>Point name</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Die Punktbezeichnung darf keine Leerzeichen, Tabulatoren und kein &apos;;&apos; enthalten.</source>
        <translation>The point name must not contain blanks, tabs or &apos;;&apos;.</translation>
    </message>
</context>
<context>
    <name>CQtUserInterface</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Ja</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;Nein</source>
        <translation>&amp;No</translation>
    </message>
</context>
<context>
    <name>CRechteckDlg</name>
    <message>
        <source>Rechteck</source>
        <translation>Rectangle</translation>
    </message>
    <message>
        <source>Rechteck löschen</source>
        <translation>Delete rectangle</translation>
    </message>
    <message>
        <source>Weiter &gt;&gt;</source>
        <translation>Next &gt;&gt;</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Breite  [m]</source>
        <translation>Width  [m]</translation>
    </message>
    <message>
        <source>Höhe  [m]</source>
        <translation>Height  [m]</translation>
    </message>
    <message>
        <source>Koo. System</source>
        <translation>Coord. system</translation>
    </message>
</context>
<context>
    <name>CStreckeDlg</name>
    <message>
        <source>Strecke</source>
        <translation>Distance</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>CTesseloDoc</name>
    <message>
        <source>File gespeichert:
%1</source>
        <translation>File saved:
%1</translation>
    </message>
</context>
<context>
    <name>CVerzeichnungBerechnenDlg</name>
    <message>
        <source>Exp</source>
        <translation>Exp</translation>
    </message>
    <message>
        <source>Speichern</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Offset Zentrum berechnen</source>
        <translation>Compute centre offset</translation>
    </message>
    <message>
        <source>Verzeichnung berechnen</source>
        <translation>Compute distortion</translation>
    </message>
    <message>
        <source>1: Radialsymmetrisch, Grad 6</source>
        <translation>1: Radially symmetric, degree 6</translation>
    </message>
    <message>
        <source>2: Kombination Quadratisch + Bilinear</source>
        <translation>2: Combination quadratic + bilinear</translation>
    </message>
    <message>
        <source>3: 1 + 2 kombiniert</source>
        <translation>3: 1 + 2 combined</translation>
    </message>
    <message>
        <source>4: Radialsymmetrisch, Grad 3</source>
        <translation>4: Radially symmetric, degree 3</translation>
    </message>
    <message>
        <source>Berechnen</source>
        <translation>Compute</translation>
    </message>
    <message>
        <source>Laden</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Modell</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>Kamera</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>Liniendichte</source>
        <translation>Line density</translation>
    </message>
    <message>
        <source>Übertreiben</source>
        <translation>Exaggerate</translation>
    </message>
</context>
<context>
    <name>CVerzeichnungKorrigierenDlg</name>
    <message>
        <source>Kamera Verzeichnung korrigieren</source>
        <translation>Correct camera distortion</translation>
    </message>
    <message>
        <source>Eich-Datei</source>
        <translation>Calibration file</translation>
    </message>
    <message>
        <source>Verzeichnung berechnen</source>
        <translation>Compute distortion</translation>
    </message>
    <message>
        <source>Weiter &gt;&gt;</source>
        <translation>Next &gt;&gt;</translation>
    </message>
    <message>
        <source>&lt;&lt; Zurück</source>
        <translation>&lt;&lt; Back</translation>
    </message>
    <message>
        <source>Objektiv-Verzeichnung korrigieren</source>
        <translation>Correct lens distortion</translation>
    </message>
</context>
<context>
    <name>CadLink</name>
    <message>
        <source>AutoCad: Interface-Programm konnte nicht gestartet werden</source>
        <translation>AutoCAD: the interface program could not be started</translation>
    </message>
    <message>
        <source>Interface-Progamm ist nicht installiert</source>
        <translation>The interface program is not installed</translation>
    </message>
</context>
<context>
    <name>FileChooser</name>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Speichern</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>Ö&amp;ffnen</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>Speichern unter</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>Öffnen</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Suchen &amp;in:</source>
        <translation>Look &amp;in:</translation>
    </message>
    <message>
        <source>Datei&amp;name:</source>
        <translation>File &amp;name:</translation>
    </message>
    <message>
        <source>Datei&amp;typ:</source>
        <translation>Files of &amp;type:</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>Tesselo</source>
        <translation>Tesselo</translation>
    </message>
    <message>
        <source>Handbuch nicht gefunden</source>
        <translation>Manual not found</translation>
    </message>
    <message>
        <source>Handbuch.doc</source>
        <translation>Handbuch.doc</translation>
    </message>
    <message>
        <source>2D:  Rechts, Hoch (Fassade)</source>
        <translation>2D:  Right, Up (facade)</translation>
    </message>
    <message>
        <source>2D:  Ost, Nord (Grundriss)</source>
        <translation>2D:  East, North (ground plan)</translation>
    </message>
    <message>
        <source>3D:  Ost, Nord, Höhe</source>
        <translation>3D:  East, North, Height</translation>
    </message>
    <message>
        <source>2D:  Nord, Ost (Grundriss)</source>
        <translation>2D:  North, East (ground plan)</translation>
    </message>
    <message>
        <source>3D:  Nord, Ost, Höhe</source>
        <translation>3D:  North, East, Height</translation>
    </message>
    <message>
        <source>gültiger Rotanteil: 0 bis 255;gültiger Grünanteil: 0 bis 255;gültiger Blauanteil: 0 bis 255</source>
        <translation>valid red value: 0 to 255;valid green value: 0 to 255;valid blue value: 0 to 255</translation>
    </message>
    <message>
        <source>Verzeichnis mit Kamera-Eichdaten</source>
        <translation>Folder with camera calibration data</translation>
    </message>
    <message>
        <source>Verzeichnisauswahl</source>
        <translation>Choose folder</translation>
    </message>
    <message>
        <source>Auswählen</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>Manual.doc</source>
        <translation>Manual.doc</translation>
    </message>
    <message>
        <source>Gültige JPG Qualität: 1-100</source>
        <translation>Valid JPG quality: 1-100</translation>
    </message>
    <message>
        <source>Veltrano</source>
        <translation>Veltrano</translation>
    </message>
    <message>
        <source>Bereit</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>Fehler beim Öffnen des Dokuments.</source>
        <translation>Failed to open document.</translation>
    </message>
    <message>
        <source>QUELLE  -  %s</source>
        <translation>SOURCE  -  %s</translation>
    </message>
    <message>
        <source>Bild Öffnen</source>
        <translation>Open image</translation>
    </message>
    <message>
        <source>Punkte oder Rechteck messen</source>
        <translation>Measure points or rectangle</translation>
    </message>
    <message>
        <source>Bild entzerren</source>
        <translation>Rectify image</translation>
    </message>
    <message>
        <source>Koordinaten eingeben</source>
        <translation>Enter coordinates</translation>
    </message>
    <message>
        <source>Verzeichnung korrigieren</source>
        <translation>Correct distortion</translation>
    </message>
    <message>
        <source>Ebene berechnen</source>
        <translation>Compute plane</translation>
    </message>
    <message>
        <source>Bild schließen</source>
        <translation>Close image</translation>
    </message>
    <message>
        <source>Ausgangsbild</source>
        <translation>Source image</translation>
    </message>
    <message>
        <source>&lt;a href = &quot;app:OPEN&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Bild Öffnen&lt;/a&gt;</source>
        <translation>&lt;a href = &quot;app:OPEN&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Open image&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;a href = &quot;app:MEAS_PT&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Punkte&lt;/a&gt;&lt;font color=&quot;#FFFF00&quot;&gt; oder &lt;a href = &quot;app:MEAS_RC&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Rechteck&lt;/a&gt;&lt;font color=&quot;#FFFF00&quot;&gt; messen</source>
        <translation>&lt;font color=&quot;#FFFF00&quot;&gt;Measure &lt;a href = &quot;app:MEAS_PT&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;points&lt;/a&gt;&lt;font color=&quot;#FFFF00&quot;&gt; or &lt;a href = &quot;app:MEAS_RC&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;rectangle&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;a href = &quot;app:RECTIFY&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Bild entzerren&lt;/a&gt;</source>
        <translation>&lt;a href = &quot;app:RECTIFY&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Rectify image&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;a href = &quot;app:CLOSES&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Bild schließen&lt;/a&gt;</source>
        <translation>&lt;a href = &quot;app:CLOSES&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Close image&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Bild zuschneiden</source>
        <translation>Crop image</translation>
    </message>
    <message>
        <source>Bild speichern</source>
        <translation>Save image</translation>
    </message>
    <message>
        <source>Messen im Bild</source>
        <translation>Measure in image</translation>
    </message>
    <message>
        <source>Zielbild</source>
        <translation>Target image</translation>
    </message>
    <message>
        <source>&lt;a href = &quot;app:SAVE&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Bild speichern&lt;/a&gt;</source>
        <translation>&lt;a href = &quot;app:SAVE&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Save image&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;a href = &quot;app:CLOSET&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Bild schließen&lt;/a&gt;</source>
        <translation>&lt;a href = &quot;app:CLOSET&quot;&gt;&lt;font color=&quot;#FFFF99&quot;&gt;Close image&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Seite Nr. %d ( &apos;%s&apos;-&apos;%s&apos;)
     schneidet Seite Nr. %d (&apos;%s&apos;-&apos;%s&apos;)</source>
        <translation>Side no. %d ( &apos;%s&apos;-&apos;%s&apos;)
     crosses side no. %d (&apos;%s&apos;-&apos;%s&apos;)</translation>
    </message>
    <message>
        <source>Zur Berechung einer Fläche sind mindestens drei Punkte notwendig</source>
        <translation>At least three points are needed to compute an area</translation>
    </message>
    <message>
        <source>Fehler: Seiten überschneiden sich</source>
        <translation>Error: sides cross each other</translation>
    </message>
    <message>
        <source>Entzerrung: Ausgleich ist singulär

Liegen alle Punkte auf einer Linie?
Stimmen die Koordinaten der Referenzpunkte?</source>
        <translation>Rectification: adjustment is singular

Do all points lie on one line?
Are the coordinates of the reference points right?</translation>
    </message>
    <message>
        <source>(Anderes File ...)</source>
        <translation>(Other file ...)</translation>
    </message>
    <message>
        <source>File auswählen ...</source>
        <translation>Choose file ...</translation>
    </message>
    <message>
        <source>Verzeichnungs-Parameter (*.verz) | *.verz|All Files (*.*)|*.*||</source>
        <translation>Distortion parameters (*.verz) | *.verz|All Files (*.*)|*.*||</translation>
    </message>
    <message>
        <source>verz</source>
        <translation>verz</translation>
    </message>
    <message>
        <source><byte value="xd"/>
<byte value="xd"/>
TIP: In den Optionen kann der Pfad für<byte value="xd"/>
die Auswahl-Box eingestellt werden</source>
        <translation><byte value="xd"/>
<byte value="xd"/>
TIP: The folder of the selection box<byte value="xd"/>
can be set in the options</translation>
    </message>
    <message>
        <source>Keine Korrektur der Verzeichnung!</source>
        <translation>No distortion correction!</translation>
    </message>
    <message>
        <source>Verzeichnungs-Parameter ASCII (*.asc) | *.asc|All Files (*.*)|*.*||</source>
        <translation>Distortion parameters ASCII (*.asc) | *.asc|All Files (*.*)|*.*||</translation>
    </message>
    <message>
        <source>%s<byte value="xd"/>
<byte value="xd"/>
Modell %i<byte value="xd"/>
Parameter %i<byte value="xd"/>
Hauptpunkt %s<byte value="xd"/>
</source>
        <translation>%s<byte value="xd"/>
<byte value="xd"/>
Model %i<byte value="xd"/>
Parameters %i<byte value="xd"/>
Principal point %s<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Berechung der Verzeichnung

Die Kamera-Verzeichnung kann nur über 2D Passpunkte bestimmt werden.

Bitte ein 2D Koordinatensystem verwenden.</source>
        <translation>Computing the distortion

The camera distortion can only be determined from 2D control points.

Please use a 2D coordinate system.</translation>
    </message>
    <message>
        <source>Bitte Modell auswählen</source>
        <translation>Please choose a model</translation>
    </message>
    <message>
        <source>Name der Kamera</source>
        <translation>Name of the camera</translation>
    </message>
    <message>
        <source>Verzeichnung: Ausgleich ist singulär

Liegen alle Punkte auf einer Linie?
Stimmen die Koordinaten der Referenzpunkte?
Liegen die Punkte auf einem Kreis?
Liegen die Punkte auf wenigen konzentrischen Kreisen?</source>
        <translation>Distortion: adjustment is singular

Do all points lie on one line?
Are the coordinates of the reference points right?
Do the points lie on a circle?
Do the points lie on a few concentric circles?</translation>
    </message>
    <message>
        <source>Ja</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Nein</source>
        <translation>No</translation>
    </message>
    <message>
        <source>asc</source>
        <translation>asc</translation>
    </message>
    <message>
        <source>ZIEL  -  unbenannt</source>
        <translation>TARGET  -  untitled</translation>
    </message>
    <message>
        <source>Punkt existiert schon

Punkt ersetzen ?</source>
        <translation>Point already exists

Replace point ?</translation>
    </message>
    <message>
        <source>Filename ungültig</source>
        <translation>Invalid file name</translation>
    </message>
    <message>
        <source>ZIEL  -  %s</source>
        <translation>TARGET  -  %s</translation>
    </message>
    <message>
        <source>Es ist kein Bildbereich ausgewählt

Bitte zuerst Bildbereich auswählen</source>
        <translation>No image area is selected

Please select an image area first</translation>
    </message>
    <message>
        <source>Rechteck ist schon definiert

Soll der nächstgelegene Punkt ersetzt werden?</source>
        <translation>The rectangle is already defined

Replace the nearest point?</translation>
    </message>
    <message>
        <source>Das Bitmap konnte nicht in dieser
Größe (%i x %i) erstellt werden</source>
        <translation>The bitmap could not be created
at this size (%i x %i)</translation>
    </message>
    <message>
        <source>Das Bild kann nicht in der Größe (%i x %i) angezeigt werden.
Die Anzeige wird auf (%i x %i) reduziert.

Alle Operationen wird mit dem Bild in Originalgröße durchgeführt.</source>
        <translation>The image cannot be displayed at its size (%i x %i).
The display is reduced to (%i x %i).

All operations are carried out on the image at its original size.</translation>
    </message>
    <message>
        <source>Fehler beim speichern von &apos;%s&apos;</source>
        <translation>Error saving &apos;%s&apos;</translation>
    </message>
    <message>
        <source>

Georeferenzierung:
   %s</source>
        <translation>

Georeferencing:
   %s</translation>
    </message>
    <message>
        <source>

Schreiben Georeferenzierung fehlgeschlagen:
    %s</source>
        <translation>

Writing the georeferencing failed:
    %s</translation>
    </message>
    <message>
        <source>Info:            Rechtswert           Hochwert
</source>
        <translation>Info:            Easting              Northing
</translation>
    </message>
    <message>
        <source>Unerwartetes Dateiformat.</source>
        <translation>Unexpected file format.</translation>
    </message>
    <message>
        <source>Entzerrung abbrechen ?</source>
        <translation>Abort the rectification?</translation>
    </message>
    <message>
        <source>Teilweise entzerrtes Bild verwerfen?</source>
        <translation>Discard the partly rectified image?</translation>
    </message>
    <message>
        <source>Punkte;vX2 [cm];vZ2 [cm]</source>
        <translation>Points;vX2 [cm];vZ2 [cm]</translation>
    </message>
    <message>
        <source>Zu wenig Punkte für Entzerrung

Mindestens 4 Punkte notwendig</source>
        <translation>Too few points for the rectification

At least 4 points are needed</translation>
    </message>
    <message>
        <source>Punkte;X2e;Z2e;Normalabstand;Verw.</source>
        <translation>Points;X2e;Z2e;Normal distance;Used</translation>
    </message>
    <message>
        <source>Zu wenig Punkte für Berechnung der Ebene

Mindestens 3 Punkte notwendig</source>
        <translation>Too few points to compute the plane

At least 3 points are needed</translation>
    </message>
    <message>
        <source>Punkte sind nicht flächig angerordnet,
sondern liegen auf einer Gerade oder
sind ident.

Ebene kann nicht berechnet werden</source>
        <translation>The points do not span an area,
they lie on a line or
are identical.

The plane cannot be computed</translation>
    </message>
    <message>
        <source>Ost [m];Nord [m];H [m]</source>
        <translation>East [m];North [m];H [m]</translation>
    </message>
    <message>
        <source>Nord [m];Ost [m];H [m]</source>
        <translation>North [m];East [m];H [m]</translation>
    </message>
    <message>
        <source>Rechts [m];Hoch [m];</source>
        <translation>Right [m];Up [m];</translation>
    </message>
    <message>
        <source>Ost [m];Nord [m]</source>
        <translation>East [m];North [m]</translation>
    </message>
    <message>
        <source>Nord [m];Ost [m];</source>
        <translation>North [m];East [m];</translation>
    </message>
    <message>
        <source>Position;X1;Y1</source>
        <translation>Position;X1;Y1</translation>
    </message>
    <message>
        <source>Rechteck ist unvollständig

Bitte fehlende Punkte messen</source>
        <translation>The rectangle is incomplete

Please measure the missing points</translation>
    </message>
    <message>
        <source>Breite ist ungültig</source>
        <translation>The width is invalid</translation>
    </message>
    <message>
        <source>Breite muss größer 0 sein</source>
        <translation>The width must be greater than 0</translation>
    </message>
    <message>
        <source>Höhe ist ungültig</source>
        <translation>The height is invalid</translation>
    </message>
    <message>
        <source>Höhe muss größer 0 sein</source>
        <translation>The height must be greater than 0</translation>
    </message>
    <message>
        <source>LU;LO;RO;RU</source>
        <translation>LB;LT;RT;RB</translation>
    </message>
    <message>
        <source>Es sind noch keine Passpunkte gemessen.

Bitte zuerst Passpunkte messen</source>
        <translation>No control points have been measured yet.

Please measure control points first</translation>
    </message>
    <message>
        <source>Es ist noch kein Punkt des Rechteck gemessen.

Bitte zuerst Rechteck messen</source>
        <translation>No corner of the rectangle has been measured yet.

Please measure the rectangle first</translation>
    </message>
    <message>
        <source>Punkt;X1 [Pixel];Y1 [Pixel]</source>
        <translation>Point;X1 [pixel];Y1 [pixel]</translation>
    </message>
    <message>
        <source>Koordinaten sind ungültig</source>
        <translation>The coordinates are invalid</translation>
    </message>
    <message>
        <source>Punkt &apos;%s&apos; sicher löschen</source>
        <translation>Really delete point &apos;%s&apos;</translation>
    </message>
    <message>
        <source>Fehler: Datei konnte nicht geöffnet werden!

&apos;%s&apos;</source>
        <translation>Error: the file could not be opened!

&apos;%s&apos;</translation>
    </message>
    <message>
        <source>%i von %i Punkten gefunden</source>
        <translation>%i of %i points found</translation>
    </message>
    <message>
        <source>Folgende Datenzeilen im File sind unvollständig:
%s</source>
        <translation>These data lines of the file are incomplete:
%s</translation>
    </message>
    <message>
        <source>Für %i Punkte wurden keine Koordinaten gefunden:
%s</source>
        <translation>No coordinates were found for %i points:
%s</translation>
    </message>
    <message>
        <source>

Aufgetretene Fehler:

%s</source>
        <translation>

Errors:

%s</translation>
    </message>
    <message>
        <source>Passpunkt auswählen;Eckpunkt für Rechteck auswählen</source>
        <translation>Choose control point;Choose rectangle corner</translation>
    </message>
    <message>
        <source>Keine Punkte gemessen</source>
        <translation>No points measured</translation>
    </message>
    <message>
        <source>Header-Zeile</source>
        <translation>Header line</translation>
    </message>
    <message>
        <source>Datei gespeichert

%s</source>
        <translation>File saved

%s</translation>
    </message>
    <message>
        <source>Datei %s konnte nicht geschrieben werden

%s</source>
        <translation>File %s could not be written

%s</translation>
    </message>
    <message>
        <source>Punkt</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>Punkt       Ost         Nord      Höhe</source>
        <translation>Point       East        North     Height</translation>
    </message>
    <message>
        <source>Punkt       Nord        Ost       Höhe</source>
        <translation>Point       North       East      Height</translation>
    </message>
    <message>
        <source>Punkt      Rechts       Hoch</source>
        <translation>Point      Right        Up</translation>
    </message>
    <message>
        <source>Punkt       Ost         Nord</source>
        <translation>Point       East        North</translation>
    </message>
    <message>
        <source>Punkt       Nord        Ost</source>
        <translation>Point       North       East</translation>
    </message>
    <message>
        <source>    Seitenlänge<byte value="xd"/>
</source>
        <translation>    Side length<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Fläche = </source>
        <translation>Area = </translation>
    </message>
    <message>
        <source>Fläche: </source>
        <translation>Area: </translation>
    </message>
    <message>
        <source>Umfang = </source>
        <translation>Perimeter = </translation>
    </message>
    <message>
        <source>Schrägseite = %s<byte value="xd"/>
Horizontal  = %s<byte value="xd"/>
Vertikal    = %s<byte value="xd"/>
</source>
        <translation>Slope dist. = %s<byte value="xd"/>
Horizontal  = %s<byte value="xd"/>
Vertical    = %s<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Fensterbereich hat Ausdehnung &apos;0&apos;

Bitte Auswahl wiederholen:
   1) Linke Maustaste drücken
   2) Fenster ziehen
   3) Maustaste erst jetzt loslassen</source>
        <translation>The selected region has the extent &apos;0&apos;

Please select again:
   1) Press the left mouse button
   2) Drag the region
   3) Only then release the mouse button</translation>
    </message>
    <message>
        <source><byte value="xd"/>
Parameter:</source>
        <translation><byte value="xd"/>
Parameters:</translation>
    </message>
    <message>
        <source>Das entzerrte Bild &apos;%s&apos; ist nicht gespeichert.

Speichern ?</source>
        <translation>The rectified image &apos;%s&apos; is not saved.

Save it?</translation>
    </message>
</context>
</TS>
