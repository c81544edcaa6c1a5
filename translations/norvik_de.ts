<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About Norvik</source>
        <translation>Über Norvik</translation>
    </message>
    <message>
        <source>Norvik Version %1</source>
        <translation>Norvik Version %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>DeviceSpaceDialog</name>
    <message>
        <source>Space configuration in device</source>
        <translation>Adressbelegung im Gerät</translation>
    </message>
</context>
<context>
    <name>GridBox</name>
    <message>
        <source>In used</source>
        <translation>Belegt</translation>
    </message>
    <message>
        <source>Addr. overlap</source>
        <translation>Adressüberschneidung</translation>
    </message>
    <message>
        <source>Addr. and ID overlap</source>
        <translation>Adress- und ID-Überschneidung</translation>
    </message>
</context>
<context>
    <name>Lamp</name>
    <message>
        <source>red</source>
        <translation>rot</translation>
    </message>
    <message>
        <source>green</source>
        <translation>grün</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Norvik</source>
        <translation>Norvik</translation>
    </message>
    <message>
        <source>Menu</source>
        <translation>Menü</translation>
    </message>
    <message>
        <source>&amp;Communication</source>
        <translation>&amp;Verbindung</translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation>&amp;Verbinden</translation>
    </message>
    <message>
        <source>&amp;Disconnect</source>
        <translation>&amp;Trennen</translation>
    </message>
    <message>
        <source>&amp;Port devices…</source>
        <translation>COM-&amp;Zuordnung…</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;IP setting</source>
        <translation>&amp;IP-Einstellung</translation>
    </message>
    <message>
        <source>&amp;New setting</source>
        <translation>&amp;Neue Einstellung</translation>
    </message>
    <message>
        <source>Load from &amp;file</source>
        <translation>Aus &amp;Datei laden</translation>
    </message>
    <message>
        <source>Load from &amp;device</source>
        <translation>Vom &amp;Gerät laden</translation>
    </message>
    <message>
        <source>&amp;Safe value setting</source>
        <translation>&amp;Ersatzwerte</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>Space configuration in &amp;device</source>
        <translation>Adressbelegung im &amp;Gerät</translation>
    </message>
    <message>
        <source>Space configuration in &amp;profibus</source>
        <translation>Adressbelegung in &amp;PROFIBUS</translation>
    </message>
    <message>
        <source>Space configuration in &amp;modbus</source>
        <translation>Adressbelegung in &amp;Modbus</translation>
    </message>
    <message>
        <source>&amp;Serial traffic</source>
        <translation>Serieller &amp;Datenverkehr</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Get Firmware Version From Module</source>
        <translation>&amp;Firmwareversion vom Modul lesen</translation>
    </message>
    <message>
        <source>&amp;About Norvik</source>
        <translation>Ü&amp;ber Norvik</translation>
    </message>
    <message>
        <source>Module tree</source>
        <translation>Modulbaum</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>Value (State)</source>
        <translation>Wert (Zustand)</translation>
    </message>
    <message>
        <source>Parameter list</source>
        <translation>Parameterliste</translation>
    </message>
    <message>
        <source>Com Port Setting</source>
        <translation>COM-Port-Einstellung</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>Ungerade</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>Gerade</translation>
    </message>
    <message>
        <source>8 databit</source>
        <translation>8 Datenbits</translation>
    </message>
    <message>
        <source>1 stopbit</source>
        <translation>1 Stoppbit</translation>
    </message>
    <message>
        <source>Port :</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Baudrate :</source>
        <translation>Baudrate:</translation>
    </message>
    <message>
        <source>Parity :</source>
        <translation>Parität:</translation>
    </message>
    <message>
        <source>Data bit :</source>
        <translation>Datenbits:</translation>
    </message>
    <message>
        <source>Stop bit :</source>
        <translation>Stoppbits:</translation>
    </message>
    <message>
        <source>Module   State :</source>
        <translation>Modulzustand:</translation>
    </message>
    <message>
        <source>Com Port State :</source>
        <translation>COM-Port-Zustand:</translation>
    </message>
    <message>
        <source>Module %1</source>
        <translation>Modul %1</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>Exit Norvik</source>
        <translation>Norvik beenden</translation>
    </message>
</context>
<context>
    <name>ModbusSpaceDialog</name>
    <message>
        <source>white</source>
        <translation>weiß</translation>
    </message>
    <message>
        <source>cyan</source>
        <translation>cyan</translation>
    </message>
    <message>
        <source>blue</source>
        <translation>blau</translation>
    </message>
    <message>
        <source>red</source>
        <translation>rot</translation>
    </message>
    <message>
        <source>Space configuration in modbus</source>
        <translation>Adressbelegung in Modbus</translation>
    </message>
    <message>
        <source>Write Output </source>
        <translation>Ausgänge schreiben</translation>
    </message>
    <message>
        <source>Read Input</source>
        <translation>Eingänge lesen</translation>
    </message>
    <message>
        <source>Read Output </source>
        <translation>Ausgänge lesen</translation>
    </message>
    <message>
        <source>Not used :</source>
        <translation>Nicht belegt:</translation>
    </message>
    <message>
        <source>In used :</source>
        <translation>Belegt:</translation>
    </message>
    <message>
        <source>Addr. overlap :</source>
        <translation>Adressüberschneidung:</translation>
    </message>
    <message>
        <source>Addr. and ID overlap :</source>
        <translation>Adress- und ID-Überschneidung:</translation>
    </message>
</context>
<context>
    <name>ParameterList</name>
    <message>
        <source>Modbus Type</source>
        <translation>Modbus-Typ</translation>
    </message>
    <message>
        <source>Modbus Format</source>
        <translation>Modbus-Format</translation>
    </message>
    <message>
        <source>I/O Value for Stop Mode</source>
        <translation>E/A-Wert im Stoppzustand</translation>
    </message>
    <message>
        <source>Byte Order</source>
        <translation>Bytereihenfolge</translation>
    </message>
    <message>
        <source>Output Data Mode</source>
        <translation>Ausgabedatenmodus</translation>
    </message>
    <message>
        <source>Modbus Device ID (S)</source>
        <translation>Modbus-Geräte-ID (S)</translation>
    </message>
    <message>
        <source>Poll interval time (M)</source>
        <translation>Abfrageintervall (M)</translation>
    </message>
    <message>
        <source>Time out value (M)</source>
        <translation>Zeitüberschreitung (M)</translation>
    </message>
    <message>
        <source>Module count</source>
        <translation>Anzahl Module</translation>
    </message>
    <message>
        <source>Tcp connect num (T)(M)</source>
        <translation>TCP-Verbindungen (T)(M)</translation>
    </message>
    <message>
        <source>Modbus Device ID (M)</source>
        <translation>Modbus-Geräte-ID (M)</translation>
    </message>
    <message>
        <source>Profibus base addr.(byte)</source>
        <translation>PROFIBUS-Basisadr. (Byte)</translation>
    </message>
    <message>
        <source>Internal base addr.(word/bit)</source>
        <translation>Interne Basisadr. (Wort/Bit)</translation>
    </message>
    <message>
        <source>Data Length(byte)</source>
        <translation>Datenlänge (Byte)</translation>
    </message>
    <message>
        <source>NO. of Relay/Coil (M)</source>
        <translation>Anzahl Relais/Coils (M)</translation>
    </message>
    <message>
        <source>Modbus start addr.(word/bit) (M)</source>
        <translation>Modbus-Startadr. (Wort/Bit) (M)</translation>
    </message>
    <message>
        <source>Change Word Order</source>
        <translation>Worttausch</translation>
    </message>
    <message>
        <source>Tcp connect index (T)(M)</source>
        <translation>TCP-Verbindungsindex (T)(M)</translation>
    </message>
    <message>
        <source>Module ID</source>
        <translation>Modul-ID</translation>
    </message>
    <message>
        <source>Module Type</source>
        <translation>Modultyp</translation>
    </message>
    <message>
        <source>System Module</source>
        <translation>Systemmodul</translation>
    </message>
    <message>
        <source>Retain Last Value</source>
        <translation>Letzten Wert halten</translation>
    </message>
    <message>
        <source>Switch Safe Value</source>
        <translation>Ersatzwert ausgeben</translation>
    </message>
    <message>
        <source>Little Endian (Intel format)</source>
        <translation>Little Endian (Intel-Format)</translation>
    </message>
    <message>
        <source>Big Endian (Motorola  format)</source>
        <translation>Big Endian (Motorola-Format)</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuell</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Disable</source>
        <translation>Aus</translation>
    </message>
</context>
<context>
    <name>PortDevicesDialog</name>
    <message>
        <source>Port devices</source>
        <translation>COM-Zuordnung</translation>
    </message>
    <message>
        <source>Choose the device each Com entry opens. A device picked from the list is kept by its /dev/serial/by-id name where it has one, which stays the same whichever USB socket it is in. An empty entry opens /dev/ttyS0 to /dev/ttyS7. The choice counts from the next Connect.</source>
        <translation>Wählen Sie das Gerät, das jeder COM-Eintrag öffnet. Ein aus der Liste gewähltes Gerät wird unter seinem Namen in /dev/serial/by-id gespeichert, sofern es einen hat; dieser bleibt gleich, an welcher USB-Buchse es auch steckt. Ein leerer Eintrag öffnet /dev/ttyS0 bis /dev/ttyS7. Die Wahl gilt ab dem nächsten Verbinden.</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Detected devices</source>
        <translation>Gefundene Geräte</translation>
    </message>
    <message>
        <source>Opens</source>
        <translation>Öffnet</translation>
    </message>
    <message>
        <source>Pick a detected device</source>
        <translation>Gefundenes Gerät wählen</translation>
    </message>
    <message>
        <source>No serial device detected</source>
        <translation>Kein serielles Gerät gefunden</translation>
    </message>
    <message>
        <source>&amp;Detect again</source>
        <translation>&amp;Erneut suchen</translation>
    </message>
    <message>
        <source>set by %1</source>
        <translation>gesetzt durch %1</translation>
    </message>
    <message>
        <source>%1 opens %2</source>
        <translation>%1 öffnet %2</translation>
    </message>
    <message>
        <source>serial %1</source>
        <translation>Seriennr. %1</translation>
    </message>
    <message>
        <source>%1 (absent)</source>
        <translation>%1 (nicht vorhanden)</translation>
    </message>
    <message>
        <source>%1 (now %2)</source>
        <translation>%1 (jetzt %2)</translation>
    </message>
</context>
<context>
    <name>ProfibusSpaceDialog</name>
    <message>
        <source>Space configuration in profibus</source>
        <translation>Adressbelegung in PROFIBUS</translation>
    </message>
</context>
<context>
    <name>SerialTrafficWindow</name>
    <message>
        <source>Serial traffic</source>
        <translation>Serieller Datenverkehr</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>Richtung</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Daten</translation>
    </message>
    <message>
        <source>sent</source>
        <translation>gesendet</translation>
    </message>
    <message>
        <source>received</source>
        <translation>empfangen</translation>
    </message>
    <message>
        <source>&amp;Hide prompt and reply</source>
        <translation>Prompt und Antwort &amp;ausblenden</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Anhalten</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>&amp;Copy rows</source>
        <translation>Zeilen &amp;kopieren</translation>
    </message>
    <message>
        <source>&amp;Save as text…</source>
        <translation>Als Text &amp;speichern…</translation>
    </message>
    <message>
        <source>Show &amp;bytes</source>
        <translation>&amp;Bytes zeigen</translation>
    </message>
    <message>
        <source>Block bytes</source>
        <translation>Bytes des Blocks</translation>
    </message>
    <message>
        <source>Not all of the block arrived in time: the bytes that did stand at the front, the rest is zero.</source>
        <translation>Der Block kam nicht vollständig rechtzeitig an: Die empfangenen Bytes stehen vorn, der Rest ist null.</translation>
    </message>
    <message>
        <source>Save serial traffic</source>
        <translation>Seriellen Datenverkehr speichern</translation>
    </message>
    <message>
        <source>Text files (*.txt);;All files (*)</source>
        <translation>Textdateien (*.txt);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The serial traffic could not be saved:</source>
        <translation>Der serielle Datenverkehr konnte nicht gespeichert werden:</translation>
    </message>
</context>
<context>
    <name>SpaceDialog</name>
    <message>
        <source>Select module</source>
        <translation>Module auswählen</translation>
    </message>
    <message>
        <source>Module%1</source>
        <translation>Modul %1</translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
</context>
</TS>
