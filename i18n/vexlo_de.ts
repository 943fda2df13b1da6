<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="de_DE">
<context>
    <name>CliText</name>
    <message>
        <source>Warte auf %1 laufende Installation(en); ein Schreibvorgang wird nie unterbrochen.</source>
        <translation>Warte auf %1 laufende Installation(en); ein Schreibvorgang wird nie unterbrochen.</translation>
    </message>
    <message>
        <source>Beenden: keine neue Installation, %1 laufende werden abgeschlossen.</source>
        <translation>Beenden: keine neue Installation, %1 laufende werden abgeschlossen.</translation>
    </message>
    <message>
        <source>nicht begonnen: das Programm wurde beendet</source>
        <translation>nicht begonnen: das Programm wurde beendet</translation>
    </message>
    <message>
        <source>Kein Port gefunden.</source>
        <translation>Kein Port gefunden.</translation>
    </message>
    <message>
        <source>Installiert die neueste Firmware auf alle angeschlossenen Boards gleichzeitig und sendet ihnen die Variante.</source>
        <translation>Installiert die neueste Firmware auf alle angeschlossenen Boards gleichzeitig und sendet ihnen die Variante.</translation>
    </message>
    <message>
        <source>Variante der Maschine: v4 (sendet STD), pro (sendet PRO) oder u (sendet nichts).</source>
        <translation>Variante der Maschine: v4 (sendet STD), pro (sendet PRO) oder u (sendet nichts).</translation>
    </message>
    <message>
        <source>Nur dieser Port (mehrfach möglich); sonst jeder gefundene Port.</source>
        <translation>Nur dieser Port (mehrfach möglich); sonst jeder gefundene Port.</translation>
    </message>
    <message>
        <source>Höchstens N Ports gleichzeitig (Vorgabe: alle).</source>
        <translation>Höchstens N Ports gleichzeitig (Vorgabe: alle).</translation>
    </message>
    <message>
        <source>Weiter warten und jedes später angeschlossene Board installieren, bis Strg+C.</source>
        <translation>Weiter warten und jedes später angeschlossene Board installieren, bis Strg+C.</translation>
    </message>
    <message>
        <source>Ereignisse als JSON Lines auf der Standardausgabe.</source>
        <translation>Ereignisse als JSON Lines auf der Standardausgabe.</translation>
    </message>
    <message>
        <source>Ports und erkannte Boards auflisten und beenden.</source>
        <translation>Ports und erkannte Boards auflisten und beenden.</translation>
    </message>
    <message>
        <source>Unerwartetes Argument: %1</source>
        <translation>Unerwartetes Argument: %1</translation>
    </message>
    <message>
        <source>--port braucht einen Pfad</source>
        <translation>--port braucht einen Pfad</translation>
    </message>
    <message>
        <source>--jobs braucht genau eine positive ganze Zahl</source>
        <translation>--jobs braucht genau eine positive ganze Zahl</translation>
    </message>
    <message>
        <source>--list verträgt sich nicht mit --watch oder --variant</source>
        <translation>--list verträgt sich nicht mit --watch oder --variant</translation>
    </message>
    <message>
        <source>--variant fehlt (v4, pro oder u)</source>
        <translation>--variant fehlt (v4, pro oder u)</translation>
    </message>
    <message>
        <source>Unbekannte Variante: %1 (v4, pro oder u)</source>
        <translation>Unbekannte Variante: %1 (v4, pro oder u)</translation>
    </message>
    <message>
        <source>--variant mehrfach mit verschiedenen Werten</source>
        <translation>--variant mehrfach mit verschiedenen Werten</translation>
    </message>
    <message>
        <source>Schreiben: %1 %</source>
        <translation>Schreiben: %1 %</translation>
    </message>
    <message>
        <source> (gleich fertig)</source>
        <translation> (gleich fertig)</translation>
    </message>
    <message>
        <source> (noch etwa %1 s)</source>
        <translation> (noch etwa %1 s)</translation>
    </message>
    <message>
        <source>Board wird erkannt …</source>
        <translation>Board wird erkannt …</translation>
    </message>
    <message>
        <source>Firmware wird heruntergeladen …</source>
        <translation>Firmware wird heruntergeladen …</translation>
    </message>
    <message>
        <source>Firmware wird geschrieben …</source>
        <translation>Firmware wird geschrieben …</translation>
    </message>
    <message>
        <source>Kein Board erkannt: %1</source>
        <translation>Kein Board erkannt: %1</translation>
    </message>
    <message>
        <source>Board erkannt: %1</source>
        <translation>Board erkannt: %1</translation>
    </message>
    <message>
        <source>Firmware bereit: %1 (%2 Bytes, SHA-256 %3)</source>
        <translation>Firmware bereit: %1 (%2 Bytes, SHA-256 %3)</translation>
    </message>
    <message>
        <source>Fehlgeschlagen bei „%1“: %2 (%3 s)</source>
        <translation>Fehlgeschlagen bei „%1“: %2 (%3 s)</translation>
    </message>
    <message>
        <source>Installiert, Variante %1 gesendet (%2 s)</source>
        <translation>Installiert, Variante %1 gesendet (%2 s)</translation>
    </message>
    <message>
        <source>Installiert, ohne Variante (%1 s)</source>
        <translation>Installiert, ohne Variante (%1 s)</translation>
    </message>
    <message>
        <source>Ergebnis: %1 installiert, %2 fehlgeschlagen</source>
        <translation>Ergebnis: %1 installiert, %2 fehlgeschlagen</translation>
    </message>
    <message>
        <source>Port nicht vorhanden</source>
        <translation>Port nicht vorhanden</translation>
    </message>
    <message>
        <source>Erkennung</source>
        <translation>Erkennung</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>Schreiben</source>
        <translation>Schreiben</translation>
    </message>
    <message>
        <source>Variante</source>
        <translation>Variante</translation>
    </message>
    <message>
        <source>Datei nicht lesbar: %1</source>
        <translation>Datei nicht lesbar: %1</translation>
    </message>
    <message>
        <source>Warte auf Boards; Strg+C beendet nach den laufenden Installationen.</source>
        <translation>Warte auf Boards; Strg+C beendet nach den laufenden Installationen.</translation>
    </message>
</context>
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
    <message>
        <source>ein anderes Vexlo Utility verwendet diesen Port</source>
        <translation>ein anderes Vexlo Utility verwendet diesen Port</translation>
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
        <source>Check for Updates…</source>
        <translation>Nach Updates suchen…</translation>
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
    <message>
        <source>Die Antwort ist kein Update-Feed</source>
        <translation>Die Antwort ist kein Update-Feed</translation>
    </message>
    <message>
        <source>Der Update-Feed ist nicht lesbar (Zeile %1): %2</source>
        <translation>Der Update-Feed ist nicht lesbar (Zeile %1): %2</translation>
    </message>
    <message>
        <source>Der Update-Feed nennt für Version %1 keine Adresse.</source>
        <translation>Der Update-Feed nennt für Version %1 keine Adresse.</translation>
    </message>
    <message>
        <source>Die Adresse von Version %1 ist kein https-Link: %2</source>
        <translation>Die Adresse von Version %1 ist kein https-Link: %2</translation>
    </message>
    <message>
        <source>Der Update-Server hat nicht innerhalb von %1 geantwortet.</source>
        <translation>Der Update-Server hat nicht innerhalb von %1 geantwortet.</translation>
    </message>
    <message>
        <source>Der Update-Server ist nicht erreichbar: %1</source>
        <translation>Der Update-Server ist nicht erreichbar: %1</translation>
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
    <name>vexlo::LogWindow</name>
    <message>
        <source>&amp;Kopieren</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Ordner öffnen</source>
        <translation>&amp;Ordner öffnen</translation>
    </message>
    <message>
        <source>Protokoll – Vexlo Utility</source>
        <translation>Protokoll – Vexlo Utility</translation>
    </message>
    <message>
        <source>Der Ordner %1 lässt sich nicht öffnen.</source>
        <translation>Der Ordner %1 lässt sich nicht öffnen.</translation>
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
        <translation>Nach Updates suchen…</translation>
    </message>
    <message>
        <source>Die Installation läuft noch. Trotzdem beenden?</source>
        <translation>Die Installation läuft noch. Trotzdem beenden?</translation>
    </message>
    <message>
        <source>Die Installation wird nicht abgebrochen: Das Programm endet, sobald sie abgeschlossen ist.</source>
        <translation>Die Installation wird nicht abgebrochen: Das Programm endet, sobald sie abgeschlossen ist.</translation>
    </message>
    <message>
        <source>&amp;Protokoll anzeigen…</source>
        <translation>&amp;Protokoll anzeigen…</translation>
    </message>
    <message>
        <source>&amp;Beenden</source>
        <translation>&amp;Beenden</translation>
    </message>
</context>
</TS>
