<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>QorvApplicationExtras</name>
    <message>
        <source>Extras</source>
        <translation>Extras</translation>
    </message>
    <message>
        <source>Send Feedback…</source>
        <translation>Rückmeldung senden …</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Aktualisierungen suchen …</translation>
    </message>
</context>
<context>
    <name>QorvCSAttachmentReviewDialog</name>
    <message>
        <source>&amp;Hide serial numbers, addresses and names</source>
        <translation>Seriennummern, Adressen und Namen &amp;ausblenden</translation>
    </message>
    <message>
        <source>&amp;View…</source>
        <translation>An&amp;sehen …</translation>
    </message>
    <message>
        <source>&amp;Attach to E-mail</source>
        <translation>An &amp;E-Mail anhängen</translation>
    </message>
    <message>
        <source>Send by E-mail</source>
        <translation>Per E-Mail senden</translation>
    </message>
    <message>
        <source>This file will be attached to a new message in your mail program:</source>
        <translation>Diese Datei wird an eine neue Nachricht in Ihrem E-Mail-Programm angehängt:</translation>
    </message>
    <message>
        <source>Replaces serial numbers, hardware and network addresses, and the computer&apos;s and your names with placeholders in the attached report.</source>
        <translation>Ersetzt im angehängten Bericht Seriennummern, Hardware- und Netzwerkadressen sowie den Namen des Computers und Ihren Namen durch Platzhalter.</translation>
    </message>
</context>
<context>
    <name>QorvCSHelpMenu</name>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About cellsheet</source>
        <translation>&amp;Über cellsheet</translation>
    </message>
    <message>
        <source>About cellsheet</source>
        <translation>Über cellsheet</translation>
    </message>
    <message>
        <source>&lt;h3&gt;cellsheet %1&lt;/h3&gt;&lt;p&gt;A live report of your computer&apos;s power sources and inventory.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;cellsheet %1&lt;/h3&gt;&lt;p&gt;Ein laufend aktueller Bericht über die Stromversorgung und die Ausstattung Ihres Computers.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>QorvCSMainWindow</name>
    <message>
        <source>UPS &amp;Servers…</source>
        <translation>&amp;USV-Server …</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Save as &amp;PDF…</source>
        <translation>Als &amp;PDF speichern …</translation>
    </message>
    <message>
        <source>Save &amp;Debug Information…</source>
        <translation>&amp;Diagnosedaten speichern …</translation>
    </message>
    <message>
        <source>&amp;Hide Serial Numbers, Addresses and Names</source>
        <translation>Seriennummern, Adressen und Namen &amp;ausblenden</translation>
    </message>
    <message>
        <source>Page Set&amp;up…</source>
        <translation>&amp;Seite einrichten …</translation>
    </message>
    <message>
        <source>&amp;Print…</source>
        <translation>D&amp;rucken …</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Find…</source>
        <translation>&amp;Suchen …</translation>
    </message>
    <message>
        <source>Find &amp;Next</source>
        <translation>&amp;Weitersuchen</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>Attach the report as a PDF to a new message</source>
        <translation>Den Bericht als PDF an eine neue Nachricht anhängen</translation>
    </message>
    <message>
        <source>Save the report as a PDF file</source>
        <translation>Den Bericht als PDF-Datei speichern</translation>
    </message>
    <message>
        <source>Print the report</source>
        <translation>Den Bericht drucken</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>&amp;E-mail…</source>
        <translation>Per &amp;E-Mail senden …</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Find Pre&amp;vious</source>
        <translation>&amp;Rückwärts suchen</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>&amp;Neu laden</translation>
    </message>
    <message>
        <source>Zoom &amp;In</source>
        <translation>Ver&amp;größern</translation>
    </message>
    <message>
        <source>Zoom &amp;Out</source>
        <translation>Ver&amp;kleinern</translation>
    </message>
    <message>
        <source>&amp;Actual Size</source>
        <translation>&amp;Originalgröße</translation>
    </message>
    <message>
        <source>Show &amp;Sidebar</source>
        <translation>&amp;Seitenleiste anzeigen</translation>
    </message>
</context>
<context>
    <name>QorvCSSearchField</name>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message>
        <source>Previous match</source>
        <translation>Vorheriger Treffer</translation>
    </message>
    <message>
        <source>Next match</source>
        <translation>Nächster Treffer</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
</context>
<context>
    <name>QorvCSSidebarView</name>
    <message>
        <source>Report sections</source>
        <translation>Abschnitte des Berichts</translation>
    </message>
</context>
<context>
    <name>QorvCSWebPrintOperation</name>
    <message>
        <source>the report did not print in time</source>
        <translation>der Bericht wurde nicht rechtzeitig gedruckt</translation>
    </message>
    <message>
        <source>the report&apos;s renderer stopped before the job was done</source>
        <translation>die Darstellung des Berichts wurde vor dem Ende des Auftrags beendet</translation>
    </message>
    <message>
        <source>no file name</source>
        <translation>kein Dateiname angegeben</translation>
    </message>
    <message>
        <source>the folder does not exist or cannot be written</source>
        <translation>der Ordner existiert nicht oder ist schreibgeschützt</translation>
    </message>
    <message>
        <source>Print Report</source>
        <translation>Bericht drucken</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <source>the PDF file could not be written</source>
        <translation>die PDF-Datei konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>the report could not be prepared for printing</source>
        <translation>der Bericht konnte nicht für den Druck vorbereitet werden</translation>
    </message>
    <message>
        <source>printing failed</source>
        <translation>das Drucken ist fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>QorvFeedbackController</name>
    <message>
        <source>Send Feedback</source>
        <translation>Rückmeldung senden</translation>
    </message>
    <message>
        <source>Tell us what you think, or what went wrong. Your message is sent with the current report.</source>
        <translation>Sagen Sie uns, was Sie von cellsheet halten oder was nicht funktioniert hat. Der aktuelle Bericht wird mit Ihrer Nachricht gesendet.</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>&amp;E-mail:</source>
        <translation>&amp;E-Mail:</translation>
    </message>
    <message>
        <source>Your message</source>
        <translation>Ihre Nachricht</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>Sent with your message:</source>
        <translation>Wird mit Ihrer Nachricht gesendet:</translation>
    </message>
    <message>
        <source>Attachment</source>
        <translation>Anhang</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>&amp;Hide serial numbers, addresses and names</source>
        <translation>Seriennummern, Adressen und Namen &amp;ausblenden</translation>
    </message>
    <message>
        <source>Replaces serial numbers, hardware and network addresses, and the computer&apos;s and your names with placeholders in everything attached.</source>
        <translation>Ersetzt in allen Anhängen Seriennummern, Hardware- und Netzwerkadressen sowie den Namen des Computers und Ihren Namen durch Platzhalter.</translation>
    </message>
    <message>
        <source>&amp;View…</source>
        <translation>An&amp;sehen …</translation>
    </message>
</context>
<context>
    <name>QorvCSUPSServersDialog</name>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>Reset to &amp;Default</source>
        <translation>&amp;Standard wiederherstellen</translation>
    </message>
    <message>
        <source>UPS Servers</source>
        <translation>USV-Server</translation>
    </message>
    <message>
        <source>UPSes are read from these Network UPS Tools servers (upsd), given as a host name or address with an optional port.</source>
        <translation>USVs werden von diesen Servern der Network UPS Tools (upsd) gelesen, angegeben als Hostname oder Adresse mit optionalem Port.</translation>
    </message>
    <message>
        <source>host or host:port, e.g. localhost:3493</source>
        <translation>Host oder Host:Port, z. B. localhost:3493</translation>
    </message>
    <message>
        <source>“%1” is not a host name or address. Use a name such as ups.example.org, an IPv4 address or an IPv6 address in brackets, such as [::1].</source>
        <translation>„%1“ ist weder ein Hostname noch eine Adresse. Verwenden Sie einen Namen wie ups.example.org, eine IPv4-Adresse oder eine IPv6-Adresse in eckigen Klammern wie [::1].</translation>
    </message>
    <message>
        <source>The port after the colon must be a number from 1 to 65535.</source>
        <translation>Der Port nach dem Doppelpunkt muss eine Zahl von 1 bis 65535 sein.</translation>
    </message>
    <message>
        <source>“%1” is already in the list.</source>
        <translation>„%1“ steht bereits in der Liste.</translation>
    </message>
    <message>
        <source>At most %1 servers can be read.</source>
        <translation>Es können höchstens %1 Server gelesen werden.</translation>
    </message>
</context>
</TS>
