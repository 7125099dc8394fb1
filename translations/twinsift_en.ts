<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name></name>
    <message id="READING_FOLDER_STRUCTURE_STRING">
        <source>Reading %1</source>
        <translation>Reading %1</translation>
    </message>
    <message id="HANDLING_FILE_STRING">
        <source>Comparing %1</source>
        <translation>Comparing %1</translation>
    </message>
    <message id="REMOVE_ROOT_NODE_STRING">
        <source>Removing source %1</source>
        <translation>Removing source %1</translation>
    </message>
    <message id="SOURCE_FOLDER_STAT_STRING" numerus="yes">
        <source>%1 file(s), %2 MiB</source>
        <translation>
            <numerusform>%1 file, %2 MiB</numerusform>
            <numerusform>%1 files, %2 MiB</numerusform>
        </translation>
    </message>
    <message id="DUP_GROUP_STAT_STRING" numerus="yes">
        <source>%1 group(s) of duplicates, removable files: %2, wasted: %3 MiB</source>
        <translation>
            <numerusform>%1 group of duplicates, removable files: %2, wasted: %3 MiB</numerusform>
            <numerusform>%1 groups of duplicates, removable files: %2, wasted: %3 MiB</numerusform>
        </translation>
    </message>
    <message id="DOCUMENT_STRING">
        <source>Document</source>
        <translation>Document</translation>
    </message>
    <message id="MOVIE_STRING">
        <source>Movie</source>
        <translation>Movie</translation>
    </message>
    <message id="MUSIC_STRING">
        <source>Music</source>
        <translation>Music</translation>
    </message>
    <message id="IMAGE_STRING">
        <source>Picture</source>
        <translation>Picture</translation>
    </message>
    <message id="ARCHIEVE_STRING">
        <source>Archive</source>
        <translation>Archive</translation>
    </message>
    <message id="APPLICATION_STRING">
        <source>Application</source>
        <translation>Application</translation>
    </message>
    <message id="OTHERS_STRING">
        <source>Others</source>
        <translation>Others</translation>
    </message>
    <message id="CLEAN_TASK_START_STRING">
        <source>Cleaning up…</source>
        <translation>Cleaning up…</translation>
    </message>
    <message id="CLEAN_TASK_END_STRING" numerus="yes">
        <source>%n file(s) removed, %1 MiB freed.</source>
        <translation>
            <numerusform>%n file removed, %1 MiB freed.</numerusform>
            <numerusform>%n files removed, %1 MiB freed.</numerusform>
        </translation>
    </message>
    <message id="CLEAN_TASK_NO_DST_FOLDER_STRING">
        <source>Choose the folder to move the files into first.</source>
        <translation>Choose the folder to move the files into first.</translation>
    </message>
    <message id="CLEAN_FILE_CHANGED_STRING">
        <source>%1 changed or moved since the scan, so it was left in place.</source>
        <translation>%1 changed or moved since the scan, so it was left in place.</translation>
    </message>
    <message id="CLEAN_NO_IDENTICAL_COPY_STRING">
        <source>No copy that stays holds the same bytes as %1, so it was left in place.</source>
        <translation>No copy that stays holds the same bytes as %1, so it was left in place.</translation>
    </message>
</context>
</TS>
