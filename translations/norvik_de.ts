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
    <name>BackupDiffDialog</name>
    <message>
        <source>Restore Backup</source>
        <translation>Sicherung zurückspielen</translation>
    </message>
    <message>
        <source>Compare with Backup</source>
        <translation>Mit Sicherung vergleichen</translation>
    </message>
    <message>
        <source>Backup of an %1 taken %2 on %3</source>
        <translation>Sicherung eines %1 vom %2 an %3</translation>
    </message>
    <message>
        <source>Differences</source>
        <translation>Unterschiede</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>ja</translation>
    </message>
    <message>
        <source>no (read only)</source>
        <translation>nein (nur lesbar)</translation>
    </message>
    <message>
        <source>&amp;Restore</source>
        <translation>&amp;Zurückspielen</translation>
    </message>
</context>
<context>
    <name>BackupTexts</name>
    <message>
        <source>&amp;Gateway</source>
        <translation>&amp;Gateway</translation>
    </message>
    <message>
        <source>&amp;Back Up…</source>
        <translation>&amp;Sichern…</translation>
    </message>
    <message>
        <source>&amp;Restore…</source>
        <translation>&amp;Zurückspielen…</translation>
    </message>
    <message>
        <source>&amp;Compare with Backup…</source>
        <translation>Mit Sicherung &amp;vergleichen…</translation>
    </message>
    <message>
        <source>&amp;Open Backup…</source>
        <translation>Sicherung ö&amp;ffnen…</translation>
    </message>
    <message>
        <source>C&amp;lose Backup</source>
        <translation>Sicherung sch&amp;ließen</translation>
    </message>
    <message>
        <source>Norvik backup (*.norvik)</source>
        <translation>Norvik-Sicherung (*.norvik)</translation>
    </message>
    <message>
        <source>Back up</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Zurückspielen</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>Vergleichen</translation>
    </message>
    <message>
        <source>Reading the parameters…</source>
        <translation>Parameter werden gelesen…</translation>
    </message>
    <message>
        <source>Reading the file names…</source>
        <translation>Dateinamen werden gelesen…</translation>
    </message>
    <message>
        <source>Reading the safe values…</source>
        <translation>Ersatzwerte werden gelesen…</translation>
    </message>
    <message>
        <source>Reading the IP setting…</source>
        <translation>IP-Einstellung wird gelesen…</translation>
    </message>
    <message>
        <source>Sending the safe values…</source>
        <translation>Ersatzwerte werden gesendet…</translation>
    </message>
    <message>
        <source>Sending the IP setting…</source>
        <translation>IP-Einstellung wird gesendet…</translation>
    </message>
    <message>
        <source>The file cannot be opened.</source>
        <translation>Die Datei lässt sich nicht öffnen.</translation>
    </message>
    <message>
        <source>This is not a regular file.</source>
        <translation>Das ist keine reguläre Datei.</translation>
    </message>
    <message>
        <source>The file holds %1 bytes; a backup holds at most %2.</source>
        <translation>Die Datei hat %1 Bytes; eine Sicherung hat höchstens %2.</translation>
    </message>
    <message>
        <source>The file is not a Norvik backup: it is not JSON.</source>
        <translation>Die Datei ist keine Norvik-Sicherung: Sie ist kein JSON.</translation>
    </message>
    <message>
        <source>The file is not a Norvik backup.</source>
        <translation>Die Datei ist keine Norvik-Sicherung.</translation>
    </message>
    <message>
        <source>The backup was written in format %1, which a newer Norvik reads; this one reads format %2.</source>
        <translation>Die Sicherung hat das Format %1, das erst ein neueres Norvik liest; dieses liest Format %2.</translation>
    </message>
    <message>
        <source>The backup lacks &quot;%1&quot;.</source>
        <translation>In der Sicherung fehlt &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>The backup&apos;s &quot;%1&quot; is damaged.</source>
        <translation>&quot;%1&quot; in der Sicherung ist beschädigt.</translation>
    </message>
    <message>
        <source>The backup&apos;s blocks do not match its checksum: the file was changed or damaged.</source>
        <translation>Die Blöcke der Sicherung passen nicht zu ihrer Prüfsumme: Die Datei wurde verändert oder ist beschädigt.</translation>
    </message>
    <message>
        <source>The backup&apos;s &quot;%1&quot; holds %2 bytes where a gateway sends %3.</source>
        <translation>&quot;%1&quot; in der Sicherung hat %2 Bytes, ein Gateway sendet %3.</translation>
    </message>
    <message>
        <source>The backup&apos;s &quot;%1&quot; does not agree with its blocks.</source>
        <translation>&quot;%1&quot; in der Sicherung stimmt nicht mit ihren Blöcken überein.</translation>
    </message>
    <message>
        <source>The backup could not be written; an existing file of that name is unchanged.</source>
        <translation>Die Sicherung konnte nicht geschrieben werden; eine vorhandene Datei dieses Namens ist unverändert.</translation>
    </message>
    <message>
        <source>The gateway&apos;s blocks were refused: %1</source>
        <translation>Die Blöcke des Gateways wurden zurückgewiesen: %1</translation>
    </message>
    <message>
        <source>the gateway reported an error.</source>
        <translation>Das Gateway meldete einen Fehler.</translation>
    </message>
    <message>
        <source>a block did not come whole.</source>
        <translation>Ein Block kam nicht vollständig an.</translation>
    </message>
    <message>
        <source>the gateway did not answer.</source>
        <translation>Das Gateway antwortete nicht.</translation>
    </message>
    <message>
        <source>the link to the gateway was lost.</source>
        <translation>Die Verbindung zum Gateway ging verloren.</translation>
    </message>
    <message>
        <source>it was cancelled.</source>
        <translation>Der Vorgang wurde abgebrochen.</translation>
    </message>
    <message>
        <source>%1 stopped at &quot;%2&quot;: %3</source>
        <translation>%1 bei &quot;%2&quot; abgebrochen: %3</translation>
    </message>
    <message>
        <source>No file was written.</source>
        <translation>Es wurde keine Datei geschrieben.</translation>
    </message>
    <message>
        <source>The backup cannot be restored: the model of the backup or of the gateway is not known. Nothing was sent.</source>
        <translation>Die Sicherung kann nicht zurückgespielt werden: Das Modell der Sicherung oder des Gateways ist unbekannt. Es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>The backup is of an %1 and the gateway is an %2: it cannot be restored there. Nothing was sent.</source>
        <translation>Die Sicherung stammt von einem %1, das Gateway ist ein %2: Sie kann dort nicht zurückgespielt werden. Es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>The backup holds %1 bytes of safe values and the gateway takes %2: its firmware differs. Nothing was sent.</source>
        <translation>Die Sicherung hat %1 Bytes Ersatzwerte, das Gateway nimmt %2: Seine Firmware ist eine andere. Es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>Restore verified</source>
        <translation>Zurückspielen geprüft</translation>
    </message>
    <message>
        <source>The safe values were not sent.</source>
        <translation>Die Ersatzwerte wurden nicht gesendet.</translation>
    </message>
    <message>
        <source>The safe values were sent and the gateway stored them.</source>
        <translation>Die Ersatzwerte wurden gesendet, und das Gateway hat sie gespeichert.</translation>
    </message>
    <message>
        <source>The safe values were sent, but the gateway did not confirm them: it may have stored them.</source>
        <translation>Die Ersatzwerte wurden gesendet, aber das Gateway hat sie nicht bestätigt: Es kann sie gespeichert haben.</translation>
    </message>
    <message>
        <source>The IP setting was not sent.</source>
        <translation>Die IP-Einstellung wurde nicht gesendet.</translation>
    </message>
    <message>
        <source>The IP setting was sent and the gateway stored it.</source>
        <translation>Die IP-Einstellung wurde gesendet, und das Gateway hat sie gespeichert.</translation>
    </message>
    <message>
        <source>The IP setting was sent, but the gateway did not confirm it: it may have stored it.</source>
        <translation>Die IP-Einstellung wurde gesendet, aber das Gateway hat sie nicht bestätigt: Es kann sie gespeichert haben.</translation>
    </message>
    <message>
        <source>Once the link is back, use Compare with Backup to see what the gateway holds.</source>
        <translation>Sobald die Verbindung wieder steht, zeigt „Mit Sicherung vergleichen“, was das Gateway enthält.</translation>
    </message>
    <message>
        <source>Nothing was changed on the gateway.</source>
        <translation>Am Gateway wurde nichts geändert.</translation>
    </message>
    <message>
        <source>The gateway holds other values than the backup after the restore:</source>
        <translation>Nach dem Zurückspielen hat das Gateway andere Werte als die Sicherung:</translation>
    </message>
    <message>
        <source>%1 %2: backup %3, gateway %4</source>
        <translation>%1 %2: Sicherung %3, Gateway %4</translation>
    </message>
    <message>
        <source>The backup of the %1 was written to %2.</source>
        <translation>Die Sicherung des %1 wurde nach %2 geschrieben.</translation>
    </message>
    <message>
        <source>%1 — offline backup of an %2 taken %3</source>
        <translation>%1 – Offline-Sicherung eines %2 vom %3</translation>
    </message>
    <message>
        <source>Offline backup %1</source>
        <translation>Offline-Sicherung %1</translation>
    </message>
    <message>
        <source>A backup is open. Close it (Gateway, Close Backup) before connecting to a gateway.</source>
        <translation>Eine Sicherung ist geöffnet. Bitte erst schließen (Gateway, Sicherung schließen), dann mit einem Gateway verbinden.</translation>
    </message>
    <message>
        <source>Disconnect from the gateway before opening a backup.</source>
        <translation>Bitte erst die Verbindung zum Gateway trennen, dann eine Sicherung öffnen.</translation>
    </message>
    <message>
        <source>A backup is open, not a gateway. Close the backup and connect to a gateway first.</source>
        <translation>Geöffnet ist eine Sicherung, kein Gateway. Bitte die Sicherung schließen und erst mit einem Gateway verbinden.</translation>
    </message>
    <message>
        <source>Where</source>
        <translation>Wo</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>Eintrag</translation>
    </message>
    <message>
        <source>Backup</source>
        <translation>Sicherung</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>Restore writes it</source>
        <translation>Wird zurückgespielt</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(keiner)</translation>
    </message>
    <message>
        <source>Firmware Information</source>
        <translation>Firmwareinformation</translation>
    </message>
    <message>
        <source>Firmware name :</source>
        <translation>Firmwarename:</translation>
    </message>
    <message>
        <source>Version :</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>File count :</source>
        <translation>Anzahl Dateien:</translation>
    </message>
    <message>
        <source>The gateway holds what the backup holds.</source>
        <translation>Das Gateway hat dieselben Werte wie die Sicherung.</translation>
    </message>
    <message>
        <source>Differences: safe values %1, IP setting fields %2 (a restore writes these); parameters %3 (read only: a restore cannot change them).</source>
        <translation>Unterschiede: Ersatzwerte %1, Felder der IP-Einstellung %2 (Zurückspielen schreibt sie); Parameter %3 (nur lesbar: Zurückspielen ändert sie nicht).</translation>
    </message>
    <message>
        <source>&amp;Export Report…</source>
        <translation>Bericht &amp;exportieren…</translation>
    </message>
    <message>
        <source>Export report</source>
        <translation>Bericht exportieren</translation>
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
    <name>FirmwareDialog</name>
    <message>
        <source>Firmware Information</source>
        <translation>Firmwareinformation</translation>
    </message>
    <message>
        <source>Firmware name :</source>
        <translation>Firmwarename:</translation>
    </message>
    <message>
        <source>Version :</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>File count :</source>
        <translation>Anzahl Dateien:</translation>
    </message>
    <message>
        <source>Not Find Firmware</source>
        <translation>Keine Firmware</translation>
    </message>
    <message>
        <source>This module is not support Get Firmware version Command !</source>
        <translation>Dieses Modul unterstützt das Lesen der Firmwareversion nicht!</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
</context>
<context>
    <name>GatewayMenu</name>
    <message>
        <source>Ca&amp;ncel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>IpSettingDialog</name>
    <message>
        <source>I P :</source>
        <translation>IP:</translation>
    </message>
    <message>
        <source>MASK :</source>
        <translation>Maske:</translation>
    </message>
    <message>
        <source>GATEWAY :</source>
        <translation>Gateway:</translation>
    </message>
    <message>
        <source>I P (1) :</source>
        <translation>IP (1):</translation>
    </message>
    <message>
        <source>I P (2) :</source>
        <translation>IP (2):</translation>
    </message>
    <message>
        <source>I P (3) :</source>
        <translation>IP (3):</translation>
    </message>
    <message>
        <source>I P (4) :</source>
        <translation>IP (4):</translation>
    </message>
    <message>
        <source>I P (5) :</source>
        <translation>IP (5):</translation>
    </message>
    <message>
        <source>I P (6) :</source>
        <translation>IP (6):</translation>
    </message>
    <message>
        <source>I P (7) :</source>
        <translation>IP (7):</translation>
    </message>
    <message>
        <source>I P (8) :</source>
        <translation>IP (8):</translation>
    </message>
    <message>
        <source>Time out value (ms) :</source>
        <translation>Zeitüberschreitung (ms):</translation>
    </message>
    <message>
        <source>ReConnect time (ms) :</source>
        <translation>Wiederverbinden nach (ms):</translation>
    </message>
    <message>
        <source>Error ! It is loading parameter now. Please wait.</source>
        <translation>Fehler! Parameter werden gerade geladen. Bitte warten.</translation>
    </message>
    <message>
        <source>Error ! Device is not connected yet.</source>
        <translation>Fehler! Gerät ist noch nicht verbunden.</translation>
    </message>
    <message>
        <source>Error ! It is not loaded parameter yet. Please wait.</source>
        <translation>Fehler! Parameter sind noch nicht geladen. Bitte warten.</translation>
    </message>
    <message>
        <source>Error ! This function is only supported HX-3420.</source>
        <translation>Fehler! Diese Funktion gibt es nur beim HX-3420.</translation>
    </message>
    <message>
        <source>Error ! File doesn&apos;t exits or other unexpected error.</source>
        <translation>Fehler! Datei nicht vorhanden oder unerwarteter Fehler.</translation>
    </message>
    <message>
        <source>Error ! File can not create or other unexpected error.</source>
        <translation>Fehler! Datei kann nicht angelegt werden oder unerwarteter Fehler.</translation>
    </message>
    <message>
        <source>Timer Creat failure</source>
        <translation>Zeitgeber konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>Save IP Setting Finish.</source>
        <translation>IP-Einstellung gespeichert.</translation>
    </message>
    <message>
        <source>Send IP Setting Error !</source>
        <translation>Fehler beim Senden der IP-Einstellung!</translation>
    </message>
    <message>
        <source>Save IP Setting Error !</source>
        <translation>Fehler beim Speichern der IP-Einstellung!</translation>
    </message>
    <message>
        <source>Receive IP Setting finish .</source>
        <translation>IP-Einstellung empfangen.</translation>
    </message>
    <message>
        <source>Receive IP Setting Error !</source>
        <translation>Fehler beim Empfang der IP-Einstellung!</translation>
    </message>
    <message>
        <source>Read IP Setting Error !</source>
        <translation>Fehler beim Lesen der IP-Einstellung!</translation>
    </message>
    <message>
        <source>Error ! IP Setting Value break.</source>
        <translation>Fehler! IP-Einstellung ungültig.</translation>
    </message>
    <message>
        <source>Error ! Local IP isn&apos;t legal.</source>
        <translation>Fehler! Lokale IP-Adresse ist ungültig.</translation>
    </message>
    <message>
        <source>Error ! Remote IP (1) isn&apos;t legal.</source>
        <translation>Fehler! Entfernte IP-Adresse (1) ist ungültig.</translation>
    </message>
    <message>
        <source>Error ! Remote IP (2) isn&apos;t legal.</source>
        <translation>Fehler! Entfernte IP-Adresse (2) ist ungültig.</translation>
    </message>
    <message>
        <source>Error ! Remote IP (3) isn&apos;t legal.</source>
        <translation>Fehler! Entfernte IP-Adresse (3) ist ungültig.</translation>
    </message>
    <message>
        <source>Error ! Remote IP (4) isn&apos;t legal.</source>
        <translation>Fehler! Entfernte IP-Adresse (4) ist ungültig.</translation>
    </message>
    <message>
        <source>Error ! Remote IP (5) isn&apos;t legal.</source>
        <translation>Fehler! Entfernte IP-Adresse (5) ist ungültig.</translation>
    </message>
    <message>
        <source>Error ! Remote IP (6) isn&apos;t legal.</source>
        <translation>Fehler! Entfernte IP-Adresse (6) ist ungültig.</translation>
    </message>
    <message>
        <source>Error ! Remote IP (7) isn&apos;t legal.</source>
        <translation>Fehler! Entfernte IP-Adresse (7) ist ungültig.</translation>
    </message>
    <message>
        <source>Error ! Remote IP (8) isn&apos;t legal.</source>
        <translation>Fehler! Entfernte IP-Adresse (8) ist ungültig.</translation>
    </message>
    <message>
        <source>Error !! Value must be 1~65535</source>
        <translation>Fehler! Wert muss zwischen 1 und 65535 liegen.</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
    <message>
        <source>IP Setting</source>
        <translation>IP-Einstellung</translation>
    </message>
    <message>
        <source>Save to File</source>
        <translation>In Datei speichern</translation>
    </message>
    <message>
        <source>Save to Device</source>
        <translation>Im Gerät speichern</translation>
    </message>
    <message>
        <source>Local IP Setting</source>
        <translation>Lokale IP-Einstellung</translation>
    </message>
    <message>
        <source>Remote IP Setting</source>
        <translation>Entfernte IP-Einstellung</translation>
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
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
    <message>
        <source>Error ! Device is not connected yet.</source>
        <translation>Fehler! Gerät ist noch nicht verbunden.</translation>
    </message>
    <message>
        <source>Error ! It is loading parameter now. Please wait.</source>
        <translation>Fehler! Parameter werden gerade geladen. Bitte warten.</translation>
    </message>
    <message>
        <source>Error ! It is not loaded parameter yet. Please wait.</source>
        <translation>Fehler! Parameter sind noch nicht geladen. Bitte warten.</translation>
    </message>
    <message>
        <source>Error ! It is not loaded firmware version yet. Please wait.</source>
        <translation>Fehler! Firmwareversion ist noch nicht geladen. Bitte warten.</translation>
    </message>
    <message>
        <source>Error ! This function is only supported HX-3420.</source>
        <translation>Fehler! Diese Funktion gibt es nur beim HX-3420.</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>Exit Norvik</source>
        <translation>Norvik beenden</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
</context>
<context>
    <name>ModbusSpaceDialog</name>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>Register numbers from 1</source>
        <translation>Registernummern ab 1</translation>
    </message>
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
        <source>Choose the device each Com entry opens. A device picked from the list is kept by its /dev/serial/by-id name where it has one, which stays the same whichever USB socket it is in. An empty entry opens /dev/ttyS0 to /dev/ttyS7. A serial port on the network (ser2net, a device server) is typed as rfc2217://HOST:PORT or socket://HOST:PORT. The choice counts from the next Connect.</source>
        <translation>Wählen Sie das Gerät, das jeder COM-Eintrag öffnet. Ein aus der Liste gewähltes Gerät wird unter seinem Namen in /dev/serial/by-id gespeichert, sofern es einen hat; dieser bleibt gleich, an welcher USB-Buchse es auch steckt. Ein leerer Eintrag öffnet /dev/ttyS0 bis /dev/ttyS7. Eine serielle Schnittstelle im Netz (ser2net, ein Geräteserver) wird als rfc2217://HOST:PORT oder socket://HOST:PORT eingetragen. Die Wahl gilt ab dem nächsten Verbinden.</translation>
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
        <source>%1 (not valid: rfc2217://HOST:PORT or socket://HOST:PORT)</source>
        <translation>%1 (ungültig: rfc2217://HOST:PORT oder socket://HOST:PORT)</translation>
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
    <name>QtUserPrompts</name>
    <message>
        <source>Norvik File (*.ptm)</source>
        <translation>Norvik-Datei (*.ptm)</translation>
    </message>
</context>
<context>
    <name>ReportExportDialog</name>
    <message>
        <source>Export Report</source>
        <translation>Bericht exportieren</translation>
    </message>
    <message>
        <source>Write the report as</source>
        <translation>Bericht schreiben als</translation>
    </message>
    <message>
        <source>PDF document (A4)</source>
        <translation>PDF-Dokument (A4)</translation>
    </message>
    <message>
        <source>CSV tables, one file per table, in a folder</source>
        <translation>CSV-Tabellen, eine Datei je Tabelle, in einem Ordner</translation>
    </message>
    <message>
        <source>The Modbus map alone, as one CSV file</source>
        <translation>Nur die Modbus-Adresstabelle, als eine CSV-Datei</translation>
    </message>
    <message>
        <source>Gateway %1, read from %2.</source>
        <translation>Gateway %1, gelesen von %2.</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exportieren…</translation>
    </message>
    <message>
        <source>norvik-report-%1</source>
        <translation>norvik-bericht-%1</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>PDF-Dokument (*.pdf)</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>CSV file (*.csv)</source>
        <translation>CSV-Datei (*.csv)</translation>
    </message>
    <message>
        <source>modbus_map</source>
        <translation>modbus_adressen</translation>
    </message>
    <message>
        <source>The report was written to %1.</source>
        <translation>Der Bericht wurde nach %1 geschrieben.</translation>
    </message>
    <message>
        <source>Error ! The report could not be written to %1.</source>
        <translation>Fehler! Der Bericht konnte nicht nach %1 geschrieben werden.</translation>
    </message>
</context>
<context>
    <name>ReportPdf</name>
    <message>
        <source>First register</source>
        <translation>Erstes Register</translation>
    </message>
    <message>
        <source>Last register</source>
        <translation>Letztes Register</translation>
    </message>
    <message>
        <source>Norvik %1 commissioning report, %2, %3</source>
        <translation>Norvik %1 Inbetriebnahmebericht, %2, %3</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Seite %1 von %2</translation>
    </message>
    <message>
        <source>Commissioning report</source>
        <translation>Inbetriebnahmebericht</translation>
    </message>
    <message>
        <source>Gateway %1</source>
        <translation>Gateway %1</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>Eintrag</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Gateway on port %1</source>
        <translation>Gateway an Port %1</translation>
    </message>
    <message>
        <source>Backup file %1</source>
        <translation>Sicherungsdatei %1</translation>
    </message>
    <message>
        <source>Gateway model</source>
        <translation>Gateway-Modell</translation>
    </message>
    <message>
        <source>Read from</source>
        <translation>Gelesen von</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Norvik version</source>
        <translation>Norvik-Version</translation>
    </message>
    <message>
        <source>Modbus role</source>
        <translation>Modbus-Rolle</translation>
    </message>
    <message>
        <source>Modules</source>
        <translation>Module</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Firmware version</source>
        <translation>Firmwareversion</translation>
    </message>
    <message>
        <source>Address numbering: every address in this report is the one the views show, counted from 0. Modbus addresses are those the protocol carries: coil 0 is the first coil and register 0 the first register (a master that counts from 1 calls them 1, or 00001, 10001, 30001 and 40001). PROFIBUS addresses are data bytes from byte 0; device areas count bytes (DO, DI) or words (AO, AI) from 0.</source>
        <translation>Adresszählung: Jede Adresse in diesem Bericht ist die, die die Ansichten zeigen, gezählt ab 0. Modbus-Adressen sind die, die das Protokoll überträgt: Coil 0 ist die erste Coil und Register 0 das erste Register (ein Master, der ab 1 zählt, nennt sie 1 oder 00001, 10001, 30001 und 40001). PROFIBUS-Adressen sind Datenbytes ab Byte 0; die Gerätebereiche zählen Bytes (DO, DI) oder Wörter (AO, AI) ab 0.</translation>
    </message>
    <message>
        <source>Parameter list</source>
        <translation>Parameterliste</translation>
    </message>
    <message>
        <source>Module</source>
        <translation>Modul</translation>
    </message>
    <message>
        <source>Module table</source>
        <translation>Modultabelle</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Device ID</source>
        <translation>Geräte-ID</translation>
    </message>
    <message>
        <source>Input bytes (PROFIBUS)</source>
        <translation>Eingangsbytes (PROFIBUS)</translation>
    </message>
    <message>
        <source>Output bytes (PROFIBUS)</source>
        <translation>Ausgangsbytes (PROFIBUS)</translation>
    </message>
    <message>
        <source>Address map</source>
        <translation>Adresstabelle</translation>
    </message>
    <message>
        <source>Modbus</source>
        <translation>Modbus</translation>
    </message>
    <message>
        <source>Role</source>
        <translation>Rolle</translation>
    </message>
    <message>
        <source>Area</source>
        <translation>Bereich</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <source>First</source>
        <translation>Erste</translation>
    </message>
    <message>
        <source>Last</source>
        <translation>Letzte</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>Anzahl</translation>
    </message>
    <message>
        <source>No module uses a Modbus address.</source>
        <translation>Kein Modul belegt eine Modbus-Adresse.</translation>
    </message>
    <message>
        <source>PROFIBUS</source>
        <translation>PROFIBUS</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Daten</translation>
    </message>
    <message>
        <source>First byte</source>
        <translation>Erstes Byte</translation>
    </message>
    <message>
        <source>Last byte</source>
        <translation>Letztes Byte</translation>
    </message>
    <message>
        <source>No module uses PROFIBUS data.</source>
        <translation>Kein Modul belegt PROFIBUS-Daten.</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>Einheit</translation>
    </message>
    <message>
        <source>byte</source>
        <translation>Byte</translation>
    </message>
    <message>
        <source>word</source>
        <translation>Wort</translation>
    </message>
    <message>
        <source>No module uses the device&apos;s data areas.</source>
        <translation>Kein Modul belegt die Datenbereiche des Geräts.</translation>
    </message>
    <message numerus="yes">
        <source>Module %1: %n Modbus address(es) above 1023, which the Modbus view does not show.</source>
        <translation>
            <numerusform>Modul %1: %n Modbus-Adresse über 1023, die die Modbus-Ansicht nicht zeigt.</numerusform>
            <numerusform>Modul %1: %n Modbus-Adressen über 1023, die die Modbus-Ansicht nicht zeigt.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Module %1: %n PROFIBUS byte(s) from byte 244 on, which the PROFIBUS view does not show.</source>
        <translation>
            <numerusform>Modul %1: %n PROFIBUS-Byte ab Byte 244, das die PROFIBUS-Ansicht nicht zeigt.</numerusform>
            <numerusform>Modul %1: %n PROFIBUS-Bytes ab Byte 244, die die PROFIBUS-Ansicht nicht zeigt.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Module %1: %n row(s) past the end of its device area, which the device view does not show.</source>
        <translation>
            <numerusform>Modul %1: %n Zeile hinter dem Ende seines Gerätebereichs, die die Geräteansicht nicht zeigt.</numerusform>
            <numerusform>Modul %1: %n Zeilen hinter dem Ende seines Gerätebereichs, die die Geräteansicht nicht zeigt.</numerusform>
        </translation>
    </message>
    <message>
        <source>No module uses this space.</source>
        <translation>Kein Modul belegt diesen Bereich.</translation>
    </message>
    <message>
        <source>The rows after %1 are not in use.</source>
        <translation>Die Zeilen nach %1 sind nicht belegt.</translation>
    </message>
    <message>
        <source>Space configuration in device</source>
        <translation>Adressbelegung im Gerät</translation>
    </message>
    <message>
        <source>Space configuration in profibus</source>
        <translation>Adressbelegung in PROFIBUS</translation>
    </message>
    <message>
        <source>Space configuration in modbus</source>
        <translation>Adressbelegung in Modbus</translation>
    </message>
    <message>
        <source>Firmware files</source>
        <translation>Firmwaredateien</translation>
    </message>
    <message>
        <source>Slot</source>
        <translation>Platz</translation>
    </message>
    <message>
        <source>File name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Safe values</source>
        <translation>Ersatzwerte</translation>
    </message>
    <message>
        <source>The safe-value block was too short to be read.</source>
        <translation>Der Ersatzwertblock war zu kurz zum Lesen.</translation>
    </message>
    <message>
        <source>The safe values were not read.</source>
        <translation>Die Ersatzwerte wurden nicht gelesen.</translation>
    </message>
    <message>
        <source>Block of %1 bytes, shown as the Safe Value Setting dialog shows it.</source>
        <translation>Block von %1 Bytes, dargestellt wie im Dialog Ersatzwerte.</translation>
    </message>
    <message>
        <source>IP setting</source>
        <translation>IP-Einstellung</translation>
    </message>
    <message>
        <source>The IP setting was not read.</source>
        <translation>Die IP-Einstellung wurde nicht gelesen.</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Commissioning report, %1</source>
        <translation>Inbetriebnahmebericht, %1</translation>
    </message>
    <message>
        <source>Firmware name :</source>
        <translation>Firmwarename:</translation>
    </message>
    <message>
        <source>Version :</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>File count :</source>
        <translation>Anzahl Dateien:</translation>
    </message>
</context>
<context>
    <name>SafeValueDialog</name>
    <message>
        <source>Error ! It is loading parameter now. Please wait.</source>
        <translation>Fehler! Parameter werden gerade geladen. Bitte warten.</translation>
    </message>
    <message>
        <source>Error ! Device is not connected yet.</source>
        <translation>Fehler! Gerät ist noch nicht verbunden.</translation>
    </message>
    <message>
        <source>Error ! It is not loaded parameter yet. Please wait.</source>
        <translation>Fehler! Parameter sind noch nicht geladen. Bitte warten.</translation>
    </message>
    <message>
        <source>Error ! This function is only supported HX-3420.</source>
        <translation>Fehler! Diese Funktion gibt es nur beim HX-3420.</translation>
    </message>
    <message>
        <source>Error ! File doesn&apos;t exits or other unexpected error.</source>
        <translation>Fehler! Datei nicht vorhanden oder unerwarteter Fehler.</translation>
    </message>
    <message>
        <source>Error ! File can not create or other unexpected error.</source>
        <translation>Fehler! Datei kann nicht angelegt werden oder unerwarteter Fehler.</translation>
    </message>
    <message>
        <source>Timer Creat failure</source>
        <translation>Zeitgeber konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>Save Safe Value Finish.</source>
        <translation>Ersatzwerte gespeichert.</translation>
    </message>
    <message>
        <source>Send Safe Value Error !</source>
        <translation>Fehler beim Senden der Ersatzwerte!</translation>
    </message>
    <message>
        <source>Save Safe Value Error !</source>
        <translation>Fehler beim Speichern der Ersatzwerte!</translation>
    </message>
    <message>
        <source>Receive Safe Value finish .</source>
        <translation>Ersatzwerte empfangen.</translation>
    </message>
    <message>
        <source>Receive Safe Value Error !</source>
        <translation>Fehler beim Empfang der Ersatzwerte!</translation>
    </message>
    <message>
        <source>Read Safe Value Error !</source>
        <translation>Fehler beim Lesen der Ersatzwerte!</translation>
    </message>
    <message>
        <source>Error ! Save Safe Value break.</source>
        <translation>Fehler! Speichern der Ersatzwerte abgebrochen.</translation>
    </message>
    <message>
        <source>Error ! Data length are not 4 digit</source>
        <translation>Fehler! Der Wert hat nicht 4 Stellen.</translation>
    </message>
    <message>
        <source>Error ! Data is not 0~9 or A~F</source>
        <translation>Fehler! Nur 0–9 und A–F sind erlaubt.</translation>
    </message>
    <message>
        <source>Error ! AI/AO value is not set.</source>
        <translation>Fehler! AI/AO-Wert ist nicht gesetzt.</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
    <message>
        <source>DO</source>
        <translation>DO</translation>
    </message>
    <message>
        <source>DI</source>
        <translation>DI</translation>
    </message>
    <message>
        <source>AO</source>
        <translation>AO</translation>
    </message>
    <message>
        <source>AI</source>
        <translation>AI</translation>
    </message>
    <message>
        <source>Safe Value Setting</source>
        <translation>Ersatzwerte</translation>
    </message>
    <message>
        <source>Select module</source>
        <translation>Module auswählen</translation>
    </message>
    <message>
        <source>Module%1</source>
        <translation>Modul %1</translation>
    </message>
    <message>
        <source>Output </source>
        <translation>Ausgänge</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingänge</translation>
    </message>
    <message>
        <source>Save to File</source>
        <translation>In Datei speichern</translation>
    </message>
    <message>
        <source>Save to Device</source>
        <translation>Im Gerät speichern</translation>
    </message>
    <message>
        <source>All set to &quot;H&quot;</source>
        <translation>Alle auf &quot;H&quot;</translation>
    </message>
    <message>
        <source>All set to &quot;L&quot;</source>
        <translation>Alle auf &quot;L&quot;</translation>
    </message>
    <message>
        <source>All set to &quot;F&quot;</source>
        <translation>Alle auf &quot;F&quot;</translation>
    </message>
    <message>
        <source>All set to &quot;0&quot;</source>
        <translation>Alle auf &quot;0&quot;</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Configure(Hex)</source>
        <translation>Wert (hex)</translation>
    </message>
    <message>
        <source>bit %1</source>
        <translation>Bit %1</translation>
    </message>
    <message>
        <source>Selected module</source>
        <translation>Gewähltes Modul</translation>
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
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Addr.</source>
        <translation>Adr.</translation>
    </message>
    <message>
        <source>Configure</source>
        <translation>Belegung</translation>
    </message>
    <message>
        <source>bit %1</source>
        <translation>Bit %1</translation>
    </message>
    <message>
        <source>Byte %1</source>
        <translation>Byte %1</translation>
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
<context>
    <name>StatusTexts</name>
    <message>
        <source>Receive parameter now</source>
        <translation>Parameter werden empfangen</translation>
    </message>
    <message>
        <source>Receive parameter finish</source>
        <translation>Parameter empfangen</translation>
    </message>
    <message>
        <source>Error ! System module address error!</source>
        <translation>Fehler! Adresse des Systemmoduls falsch!</translation>
    </message>
    <message>
        <source>Error ! System module does not exist!</source>
        <translation>Fehler! Systemmodul fehlt!</translation>
    </message>
    <message>
        <source>Error ! Parameter block incomplete!</source>
        <translation>Fehler! Parameterblock unvollständig!</translation>
    </message>
    <message>
        <source>Send safe value to com now</source>
        <translation>Ersatzwerte werden gesendet</translation>
    </message>
    <message>
        <source>Send safe value finish</source>
        <translation>Ersatzwerte gesendet</translation>
    </message>
    <message>
        <source>Save safe value error !</source>
        <translation>Fehler beim Speichern der Ersatzwerte!</translation>
    </message>
    <message>
        <source>Send safe value error !</source>
        <translation>Fehler beim Senden der Ersatzwerte!</translation>
    </message>
    <message>
        <source>Receive safe value from com now !</source>
        <translation>Ersatzwerte werden empfangen</translation>
    </message>
    <message>
        <source>Receive safe value error !</source>
        <translation>Fehler beim Empfang der Ersatzwerte!</translation>
    </message>
    <message>
        <source>Receive safe value finish</source>
        <translation>Ersatzwerte empfangen</translation>
    </message>
    <message>
        <source>Read safe value error !</source>
        <translation>Fehler beim Lesen der Ersatzwerte!</translation>
    </message>
    <message>
        <source>Send ip setting to com now</source>
        <translation>IP-Einstellung wird gesendet</translation>
    </message>
    <message>
        <source>Send ip setting finish</source>
        <translation>IP-Einstellung gesendet</translation>
    </message>
    <message>
        <source>Save ip setting error !</source>
        <translation>Fehler beim Speichern der IP-Einstellung!</translation>
    </message>
    <message>
        <source>Send ip setting error !</source>
        <translation>Fehler beim Senden der IP-Einstellung!</translation>
    </message>
    <message>
        <source>Receive ip setting from com now !</source>
        <translation>IP-Einstellung wird empfangen</translation>
    </message>
    <message>
        <source>Receive ip setting error !</source>
        <translation>Fehler beim Empfang der IP-Einstellung!</translation>
    </message>
    <message>
        <source>Receive ip setting finish</source>
        <translation>IP-Einstellung empfangen</translation>
    </message>
    <message>
        <source>Read ip setting error !</source>
        <translation>Fehler beim Lesen der IP-Einstellung!</translation>
    </message>
    <message>
        <source>Receive file name from com now !</source>
        <translation>Dateinamen werden empfangen</translation>
    </message>
    <message>
        <source>Receive file name finish</source>
        <translation>Dateinamen empfangen</translation>
    </message>
    <message>
        <source>Receive file name error</source>
        <translation>Fehler beim Empfang der Dateinamen</translation>
    </message>
    <message>
        <source>Com Port isn&apos;t open !</source>
        <translation>COM-Port ist nicht geöffnet!</translation>
    </message>
    <message>
        <source>COM Port is Open, no connection to the Module</source>
        <translation>COM-Port offen, keine Verbindung zum Modul</translation>
    </message>
    <message>
        <source>Module is connected</source>
        <translation>Modul ist verbunden</translation>
    </message>
    <message>
        <source>No connection to the Module !</source>
        <translation>Keine Verbindung zum Modul!</translation>
    </message>
    <message>
        <source>Timer Creat failure</source>
        <translation>Zeitgeber konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>Open Com Error! Error Code = %1 </source>
        <translation>Fehler beim Öffnen des COM-Ports! Fehlercode = %1</translation>
    </message>
    <message>
        <source>Close Com Error! Error Code = %1 </source>
        <translation>Fehler beim Schließen des COM-Ports! Fehlercode = %1</translation>
    </message>
    <message>
        <source>Com Port lost! Error Code = %1 </source>
        <translation>COM-Port verloren! Fehlercode = %1</translation>
    </message>
    <message>
        <source>Error message</source>
        <translation>Fehlermeldung</translation>
    </message>
    <message>
        <source>Open Com Error ! Please check Com Port setting</source>
        <translation>COM-Port lässt sich nicht öffnen! Bitte die COM-Port-Einstellung prüfen.</translation>
    </message>
    <message>
        <source>The Norvik can not access the module.

 Please check the settings, wire and make sure PROFIBUS Master is online and configured correctly (RUN led is on).</source>
        <translation>Norvik kann nicht auf das Modul zugreifen.

Bitte Einstellungen und Verkabelung prüfen und sicherstellen, dass der PROFIBUS-Master online und richtig konfiguriert ist (RUN-LED leuchtet).</translation>
    </message>
</context>
</TS>
