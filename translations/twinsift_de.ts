<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name></name>
    <message id="READING_FOLDER_STRUCTURE_STRING">
        <source>Reading %1</source>
        <translation>Lese %1</translation>
    </message>
    <message id="HANDLING_FILE_STRING">
        <source>Comparing %1</source>
        <translation>Vergleiche %1</translation>
    </message>
    <message id="REMOVE_ROOT_NODE_STRING">
        <source>Removing source %1</source>
        <translation>Entferne Quelle %1</translation>
    </message>
    <message id="SOURCE_FOLDER_STAT_STRING" numerus="yes">
        <source>%1 file(s), %2 MiB</source>
        <translation>
            <numerusform>%1 Datei, %2 MiB</numerusform>
            <numerusform>%1 Dateien, %2 MiB</numerusform>
        </translation>
    </message>
    <message id="DUP_GROUP_STAT_STRING" numerus="yes">
        <source>%1 group(s) of duplicates, removable files: %2, wasted: %3 MiB</source>
        <translation>
            <numerusform>%1 Duplikatgruppe, entfernbare Dateien: %2, verschwendeter Platz: %3 MiB</numerusform>
            <numerusform>%1 Duplikatgruppen, entfernbare Dateien: %2, verschwendeter Platz: %3 MiB</numerusform>
        </translation>
    </message>
    <message id="DOCUMENT_STRING">
        <source>Document</source>
        <translation>Dokument</translation>
    </message>
    <message id="MOVIE_STRING">
        <source>Movie</source>
        <translation>Film</translation>
    </message>
    <message id="MUSIC_STRING">
        <source>Music</source>
        <translation>Musik</translation>
    </message>
    <message id="IMAGE_STRING">
        <source>Picture</source>
        <translation>Bild</translation>
    </message>
    <message id="ARCHIEVE_STRING">
        <source>Archive</source>
        <translation>Archiv</translation>
    </message>
    <message id="APPLICATION_STRING">
        <source>Application</source>
        <translation>Anwendung</translation>
    </message>
    <message id="OTHERS_STRING">
        <source>Others</source>
        <translation>Sonstige</translation>
    </message>
    <message id="CLEAN_TASK_START_STRING">
        <source>Cleaning up…</source>
        <translation>Räume auf …</translation>
    </message>
    <message id="CLEAN_TASK_END_STRING" numerus="yes">
        <source>%n file(s) removed, %1 MiB freed.</source>
        <translation>
            <numerusform>%n Datei entfernt, %1 MiB freigegeben.</numerusform>
            <numerusform>%n Dateien entfernt, %1 MiB freigegeben.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_TASK_NO_DST_FOLDER_STRING">
        <source>Choose the folder to move the files into first.</source>
        <translation>Wählen Sie zuerst den Ordner, in den die Dateien verschoben werden sollen.</translation>
    </message>
    <message id="CLEAN_FILE_CHANGED_STRING">
        <source>%1 changed or moved since the scan, so it was left in place.</source>
        <translation>%1 wurde seit der Suche geändert oder verschoben und bleibt daher, wo es ist.</translation>
    </message>
    <message id="CLEAN_NO_IDENTICAL_COPY_STRING">
        <source>No copy that stays holds the same bytes as %1, so it was left in place.</source>
        <translation>Keine Kopie, die bleibt, enthält dieselben Bytes wie %1; die Datei bleibt daher, wo sie ist.</translation>
    </message>
</context>
</TS>
