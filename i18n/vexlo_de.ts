<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="de_DE">
<context>
    <name>StepRows</name>
    <message>
        <source>Fortschritt: </source>
        <translation>Fortschritt: </translation>
    </message>
    <message>
        <source>Fortschritt:</source>
        <translation>Fortschritt:</translation>
    </message>
    <message>
        <source>Fortschritt: fertig!</source>
        <translation>Fortschritt: fertig!</translation>
    </message>
    <message>
        <source>step_device_found</source>
        <translation>Gerät gefunden</translation>
    </message>
    <message>
        <source>Port: </source>
        <translation>Port: </translation>
    </message>
    <message>
        <source>step_firmware_downloaded</source>
        <translation>Firmware heruntergeladen</translation>
    </message>
    <message>
        <source>Datei: </source>
        <translation>Datei: </translation>
    </message>
    <message>
        <source>step_installation_running</source>
        <translation>Installation läuft</translation>
    </message>
    <message>
        <source>step_successful</source>
        <translation>Erfolgreich</translation>
    </message>
    <message>
        <source>nicht begonnen</source>
        <translation>nicht begonnen</translation>
    </message>
    <message>
        <source>läuft</source>
        <translation>läuft</translation>
    </message>
    <message>
        <source>erfolgreich</source>
        <translation>erfolgreich</translation>
    </message>
    <message>
        <source>fehlgeschlagen</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>espflash nicht gefunden</source>
        <translation>espflash nicht gefunden</translation>
    </message>
    <message>
        <source>espflash startet nicht</source>
        <translation>espflash startet nicht</translation>
    </message>
    <message>
        <source>keine Antwort in %1 s</source>
        <translation>keine Antwort in %1 s</translation>
    </message>
    <message>
        <source>espflash-Fehler (Signal %1)</source>
        <translation>espflash-Fehler (Signal %1)</translation>
    </message>
    <message>
        <source>espflash-Fehler (Status %1)</source>
        <translation>espflash-Fehler (Status %1)</translation>
    </message>
    <message>
        <source>Antwort nicht erkannt</source>
        <translation>Antwort nicht erkannt</translation>
    </message>
    <message>
        <source>Server antwortet %1</source>
        <translation>Server antwortet %1</translation>
    </message>
    <message>
        <source>Übertragung abgebrochen</source>
        <translation>Übertragung abgebrochen</translation>
    </message>
    <message>
        <source>keine Firmware-Datei</source>
        <translation>keine Firmware-Datei</translation>
    </message>
    <message>
        <source>Datei nicht speicherbar</source>
        <translation>Datei nicht speicherbar</translation>
    </message>
    <message>
        <source>keine Antwort</source>
        <translation>keine Antwort</translation>
    </message>
    <message>
        <source>nicht gestartet</source>
        <translation>nicht gestartet</translation>
    </message>
    <message>
        <source>Firmware-Datei fehlt</source>
        <translation>Firmware-Datei fehlt</translation>
    </message>
    <message>
        <source>Port nicht vorhanden</source>
        <translation>Port nicht vorhanden</translation>
    </message>
    <message>
        <source>Port beim Schreiben getrennt</source>
        <translation>Port beim Schreiben getrennt</translation>
    </message>
    <message>
        <source>getrennt</source>
        <translation>getrennt</translation>
    </message>
    <message>
        <source>Variante: </source>
        <translation>Variante: </translation>
    </message>
    <message>
        <source>Variante nicht gesendet: </source>
        <translation>Variante nicht gesendet: </translation>
    </message>
</context>
<context>
    <name>Updater</name>
    <message>
        <source>Der Update-Feed ist größer als 1 MiB.</source>
        <translation>Der Update-Feed ist größer als 1 MiB.</translation>
    </message>
    <message>
        <source>Der Update-Server antwortete mit Status %1.</source>
        <translation>Der Update-Server antwortete mit Status %1.</translation>
    </message>
    <message>
        <source>Der Update-Feed ist nicht lesbar: %1</source>
        <translation>Der Update-Feed ist nicht lesbar: %1</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Check for Updates…</translation>
    </message>
    <message>
        <source>Vexlo Utility %1 ist aktuell.</source>
        <translation>Vexlo Utility %1 ist aktuell.</translation>
    </message>
    <message>
        <source>Die Suche nach Updates ist fehlgeschlagen.</source>
        <translation>Die Suche nach Updates ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Vexlo Utility %1 ist verfügbar (installiert: %2).</source>
        <translation>Vexlo Utility %1 ist verfügbar (installiert: %2).</translation>
    </message>
    <message>
        <source>Herunterladen…</source>
        <translation>Herunterladen…</translation>
    </message>
</context>
<context>
    <name>vexlo::FlashStepView</name>
    <message>
        <source>Erneut prüfen</source>
        <translation>Erneut prüfen</translation>
    </message>
</context>
<context>
    <name>vexlo::MainFlasherState</name>
    <message>
        <source>Die Installation läuft.</source>
        <translation>Die Installation läuft.</translation>
    </message>
    <message>
        <source>Das Programm wird beendet.</source>
        <translation>Das Programm wird beendet.</translation>
    </message>
    <message>
        <source>Kein Gerät angeschlossen.</source>
        <translation>Kein Gerät angeschlossen.</translation>
    </message>
    <message>
        <source>Das Gerät wird noch geprüft.</source>
        <translation>Das Gerät wird noch geprüft.</translation>
    </message>
    <message>
        <source>Das Gerät wurde nicht erkannt.</source>
        <translation>Das Gerät wurde nicht erkannt.</translation>
    </message>
</context>
<context>
    <name>vexlo::MainFlasherView</name>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Variant</source>
        <translation>Variant</translation>
    </message>
    <message>
        <source>Coilex V4</source>
        <translation>Coilex V4</translation>
    </message>
    <message>
        <source>Coilex Pro</source>
        <translation>Coilex Pro</translation>
    </message>
    <message>
        <source>U</source>
        <translation>U</translation>
    </message>
    <message>
        <source>Neuste Firmware Version: </source>
        <translation>Neuste Firmware Version: </translation>
    </message>
    <message>
        <source>Installieren</source>
        <translation>Installieren</translation>
    </message>
    <message>
        <source>Herunterladen und installieren</source>
        <translation>Herunterladen und installieren</translation>
    </message>
    <message>
        <source>Erneut prüfen</source>
        <translation>Erneut prüfen</translation>
    </message>
</context>
<context>
    <name>vexlo::MainWindow</name>
    <message>
        <source>Vexlo Utility</source>
        <translation>Vexlo Utility</translation>
    </message>
    <message>
        <source>Über Vexlo Utility</source>
        <translation>Über Vexlo Utility</translation>
    </message>
    <message>
        <source>&lt;b&gt;Vexlo Utility&lt;/b&gt; %1&lt;br&gt;Bringt die Steuerplatine einer Coilex-Maschine auf die neueste Firmware.</source>
        <translation>&lt;b&gt;Vexlo Utility&lt;/b&gt; %1&lt;br&gt;Bringt die Steuerplatine einer Coilex-Maschine auf die neueste Firmware.</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Check for Updates…</translation>
    </message>
    <message>
        <source>Die Installation läuft noch. Trotzdem beenden?</source>
        <translation>Die Installation läuft noch. Trotzdem beenden?</translation>
    </message>
    <message>
        <source>Die Installation wird nicht abgebrochen: Das Programm endet, sobald sie abgeschlossen ist.</source>
        <translation>Die Installation wird nicht abgebrochen: Das Programm endet, sobald sie abgeschlossen ist.</translation>
    </message>
</context>
</TS>
