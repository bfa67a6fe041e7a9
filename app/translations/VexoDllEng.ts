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
        <source>Suchen in:</source>
        <translation>Look in:</translation>
    </message>
    <message>
        <source>Dateiname:</source>
        <translation>File name:</translation>
    </message>
    <message>
        <source>Dateityp:</source>
        <translation>Files of type:</translation>
    </message>
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
        <source>Filename ungültig</source>
        <translation>Invalid file name</translation>
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
        <source>Fehler beim speichern von &apos;%s&apos;</source>
        <translation>Error saving &apos;%s&apos;</translation>
    </message>
    <message>
        <source>Unerwartetes Dateiformat.</source>
        <translation>Unexpected file format.</translation>
    </message>
</context>
</TS>
