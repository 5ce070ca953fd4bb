<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AIFFTagEditor</name>
    <message>
        <source>The file is larger than an AIFF file can be (4 GiB).</source>
        <translation>Die Datei ist größer, als eine AIFF-Datei sein kann (4 GiB).</translation>
    </message>
    <message>
        <source>The file is not an AIFF file.</source>
        <translation>Die Datei ist keine AIFF-Datei.</translation>
    </message>
    <message>
        <source>The file is a compressed AIFF-C file, which cannot be tagged.</source>
        <translation>Die Datei ist eine komprimierte AIFF-C-Datei, deren Tags nicht geschrieben werden können.</translation>
    </message>
    <message>
        <source>The file has more than 100,000 chunks; it was left unchanged.</source>
        <translation>Die Datei hat mehr als 100.000 Chunks; sie wurde nicht verändert.</translation>
    </message>
    <message>
        <source>The tagged file would reach 4 GiB, more than AIFF allows; it was left unchanged.</source>
        <translation>Mit den Tags würde die Datei 4 GiB erreichen, mehr als AIFF erlaubt; sie wurde nicht verändert.</translation>
    </message>
</context>
<context>
    <name>AppLifecycle</name>
    <message>
        <source>🧹 Application cleaned and reset</source>
        <translation>🧹 Anwendung bereinigt und zurückgesetzt</translation>
    </message>
</context>
<context>
    <name>AtomicFile</name>
    <message>
        <source>Cannot open “%1”: %2</source>
        <translation>„%1“ kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>“%1” is not a regular file.</source>
        <translation>„%1“ ist keine normale Datei.</translation>
    </message>
    <message>
        <source>“%1” does not exist.</source>
        <translation>„%1“ existiert nicht.</translation>
    </message>
    <message>
        <source>“%1” is a folder, not a file.</source>
        <translation>„%1“ ist ein Ordner, keine Datei.</translation>
    </message>
    <message>
        <source>“%1” is read-only.</source>
        <translation>„%1“ ist schreibgeschützt.</translation>
    </message>
    <message>
        <source>The folder of “%1” does not allow changes.</source>
        <translation>Der Ordner von „%1“ erlaubt keine Änderungen.</translation>
    </message>
    <message>
        <source>Cannot read “%1”: %2</source>
        <translation>„%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Cannot write next to “%1”: %2</source>
        <translation>Neben „%1“ kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Cannot write “%1”: %2</source>
        <translation>„%1“ kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Cannot copy the extended attributes of “%1”: %2</source>
        <translation>Die erweiterten Attribute von „%1“ können nicht kopiert werden: %2</translation>
    </message>
    <message>
        <source>Cannot flush “%1”: %2</source>
        <translation>„%1“ kann nicht auf den Datenträger geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Cannot replace “%1”: %2</source>
        <translation>„%1“ kann nicht ersetzt werden: %2</translation>
    </message>
    <message>
        <source>“%1” changed on disk while it was being saved, so it was not written.</source>
        <translation>„%1“ wurde während des Speicherns auf dem Datenträger verändert und deshalb nicht geschrieben.</translation>
    </message>
    <message>
        <source>The temporary file “%1” could not be removed: %2</source>
        <translation>Die temporäre Datei „%1“ konnte nicht entfernt werden: %2</translation>
    </message>
    <message>
        <source>“%1” belongs to another user and to a group you are not in: saved by you, it would be yours alone, so it was not written.</source>
        <translation>„%1“ gehört einem anderen Benutzer und einer Gruppe, der Sie nicht angehören: von Ihnen gespeichert, gehörte sie Ihnen allein, deshalb wurde sie nicht geschrieben.</translation>
    </message>
</context>
<context>
    <name>AudioDecoder</name>
    <message>
        <source>FFmpeg could not be loaded: %1</source>
        <translation>FFmpeg konnte nicht geladen werden: %1</translation>
    </message>
    <message>
        <source>This is not a regular file (but a folder, a pipe or a device), so it is not read.</source>
        <translation>Dies ist keine reguläre Datei (sondern ein Ordner, eine Pipe oder ein Gerät) und wird deshalb nicht gelesen.</translation>
    </message>
</context>
<context>
    <name>AutoSearch</name>
    <message>
        <source>ℹ️ All songs already have covers</source>
        <translation>ℹ️ Alle Songs haben bereits ein Cover</translation>
    </message>
    <message>
        <source>Searching for covers...</source>
        <translation>Suche nach Covern …</translation>
    </message>
    <message numerus="yes">
        <source>✅ Found %n covers, %1 failed</source>
        <translation>
            <numerusform>✅ %n Cover gefunden, %1 fehlgeschlagen</numerusform>
            <numerusform>✅ %n Cover gefunden, %1 fehlgeschlagen</numerusform>
        </translation>
    </message>
    <message>
        <source>ℹ️ All songs already have genres</source>
        <translation>ℹ️ Alle Songs haben bereits ein Genre</translation>
    </message>
    <message>
        <source>Searching for genres...</source>
        <translation>Suche nach Genres …</translation>
    </message>
    <message numerus="yes">
        <source>✅ Found %n genres, %1 failed</source>
        <translation>
            <numerusform>✅ %n Genre gefunden, %1 fehlgeschlagen</numerusform>
            <numerusform>✅ %n Genres gefunden, %1 fehlgeschlagen</numerusform>
        </translation>
    </message>
    <message>
        <source>ℹ️ All songs already have years</source>
        <translation>ℹ️ Alle Songs haben bereits ein Jahr</translation>
    </message>
    <message>
        <source>Searching for years...</source>
        <translation>Suche nach Jahren …</translation>
    </message>
    <message numerus="yes">
        <source>✅ Found %n years, %1 failed</source>
        <translation>
            <numerusform>✅ %n Jahr gefunden, %1 fehlgeschlagen</numerusform>
            <numerusform>✅ %n Jahre gefunden, %1 fehlgeschlagen</numerusform>
        </translation>
    </message>
    <message>
        <source>Found %1, Failed %2</source>
        <translation>Gefunden: %1, fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>❌ Operation cancelled</source>
        <translation>❌ Vorgang abgebrochen</translation>
    </message>
    <message>
        <source>Auto-Search All Covers</source>
        <translation>Alle Cover automatisch suchen</translation>
    </message>
    <message>
        <source>Auto-Search All Genres</source>
        <translation>Alle Genres automatisch suchen</translation>
    </message>
    <message>
        <source>Auto-Search All Years</source>
        <translation>Alle Jahre automatisch suchen</translation>
    </message>
    <message>
        <source>⚠️ Online Mode is disabled. Enable it from the top-left button.</source>
        <translation>⚠️ Der Online-Modus ist ausgeschaltet. Schalten Sie ihn mit der Schaltfläche oben links ein.</translation>
    </message>
</context>
<context>
    <name>BPMAnalyzer</name>
    <message>
        <source>Cannot create audio buffer</source>
        <translation>Audiopuffer kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>Cannot get channel data</source>
        <translation>Kanaldaten können nicht gelesen werden</translation>
    </message>
    <message>
        <source>Cannot access file</source>
        <translation>Auf die Datei kann nicht zugegriffen werden</translation>
    </message>
</context>
<context>
    <name>BPMBatch</name>
    <message>
        <source>⚠️ BPM: %1 analyzed, %2 failed</source>
        <translation>⚠️ BPM: %1 analysiert, %2 fehlgeschlagen</translation>
    </message>
    <message>
        <source>Song %1 of %2 - BPM: %3</source>
        <translation>Song %1 von %2 – BPM: %3</translation>
    </message>
    <message>
        <source>Analyzing BPM...</source>
        <translation>BPM werden analysiert …</translation>
    </message>
    <message numerus="yes">
        <source>🎵 Analyzing BPM for %n songs...</source>
        <translation>
            <numerusform>🎵 BPM von %n Song werden analysiert …</numerusform>
            <numerusform>🎵 BPM von %n Songs werden analysiert …</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>✅ BPM analyzed for %n songs!</source>
        <translation>
            <numerusform>✅ BPM von %n Song analysiert!</numerusform>
            <numerusform>✅ BPM von %n Songs analysiert!</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Bookmark</name>
    <message>
        <source>The file “%1” doesn’t exist.</source>
        <translation>Die Datei „%1“ existiert nicht.</translation>
    </message>
    <message>
        <source>You don’t have permission to read the file “%1”.</source>
        <translation>Sie haben keine Berechtigung, die Datei „%1“ zu lesen.</translation>
    </message>
    <message>
        <source>The bookmark is empty.</source>
        <translation>Das Lesezeichen ist leer.</translation>
    </message>
    <message>
        <source>The bookmark is malformed.</source>
        <translation>Das Lesezeichen ist fehlerhaft.</translation>
    </message>
</context>
<context>
    <name>BulkEditor</name>
    <message numerus="yes">
        <source>🗑️ %n songs moved to Trash</source>
        <translation>
            <numerusform>🗑️ %n Song in den Papierkorb verschoben</numerusform>
            <numerusform>🗑️ %n Songs in den Papierkorb verschoben</numerusform>
        </translation>
    </message>
    <message>
        <source>🗑 %1 moved to Trash</source>
        <translation>🗑 %1 in den Papierkorb verschoben</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>unknown option %1</source>
        <translation>unbekannte Option %1</translation>
    </message>
    <message>
        <source>bpm needs at least one file or folder</source>
        <translation>bpm braucht mindestens eine Datei oder einen Ordner</translation>
    </message>
    <message>
        <source>Error loading folder: %1</source>
        <translation>Fehler beim Laden des Ordners: %1</translation>
    </message>
    <message>
        <source>clean-bpm takes exactly one folder</source>
        <translation>clean-bpm nimmt genau einen Ordner</translation>
    </message>
    <message>
        <source>%1 is given more than once</source>
        <translation>%1 wurde mehr als einmal angegeben</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 braucht einen Wert</translation>
    </message>
    <message>
        <source>--cover needs an image file</source>
        <translation>--cover braucht eine Bilddatei</translation>
    </message>
    <message>
        <source>--year takes a year from 1900 to 2099, or 0 for none, not &quot;%1&quot;</source>
        <translation>--year nimmt ein Jahr von 1900 bis 2099 oder 0 für keines, nicht „%1“</translation>
    </message>
    <message>
        <source>--rating takes a number from 0 to 5, not &quot;%1&quot;</source>
        <translation>--rating nimmt eine Zahl von 0 bis 5, nicht „%1“</translation>
    </message>
    <message>
        <source>--cover and --no-cover cannot be used together</source>
        <translation>--cover und --no-cover können nicht zusammen verwendet werden</translation>
    </message>
    <message>
        <source>write needs at least one file or folder</source>
        <translation>write braucht mindestens eine Datei oder einen Ordner</translation>
    </message>
    <message>
        <source>lookup takes an artist and a title</source>
        <translation>lookup nimmt einen Interpreten und einen Titel</translation>
    </message>
    <message>
        <source>auto-search takes one of --covers, --genres and --years</source>
        <translation>auto-search nimmt nur eine der Optionen --covers, --genres und --years</translation>
    </message>
    <message>
        <source>auto-search needs --covers, --genres or --years</source>
        <translation>auto-search braucht --covers, --genres oder --years</translation>
    </message>
    <message>
        <source>auto-search takes exactly one folder</source>
        <translation>auto-search nimmt genau einen Ordner</translation>
    </message>
    <message>
        <source>scan takes exactly one folder</source>
        <translation>scan nimmt genau einen Ordner</translation>
    </message>
    <message>
        <source>unknown command %1</source>
        <translation>unbekannter Befehl %1</translation>
    </message>
    <message>
        <source>Try &apos;quirella-cli --help&apos;.</source>
        <translation>Hilfe mit „quirella-cli --help“.</translation>
    </message>
    <message>
        <source>skipped: %1</source>
        <translation>übersprungen: %1</translation>
    </message>
    <message>
        <source>%1 needs %2</source>
        <translation>%1 braucht %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no year from 1900 to 2099; no year was changed</source>
        <translation>„%1“ ist kein Jahr von 1900 bis 2099; kein Jahr wurde geändert</translation>
    </message>
    <message>
        <source>a genre</source>
        <translation>ein Genre</translation>
    </message>
    <message>
        <source>a number of stars from 1 to 4</source>
        <translation>eine Anzahl Sterne von 1 bis 4</translation>
    </message>
    <message>
        <source>--set-rating takes a number of stars from 1 to 4, not &quot;%1&quot;</source>
        <translation>--set-rating nimmt eine Anzahl Sterne von 1 bis 4, nicht „%1“</translation>
    </message>
    <message>
        <source>a text to remove</source>
        <translation>einen zu entfernenden Text</translation>
    </message>
    <message>
        <source>a replacement text</source>
        <translation>einen Ersatztext</translation>
    </message>
    <message>
        <source>a text to replace and its replacement</source>
        <translation>einen zu ersetzenden Text und seinen Ersatz</translation>
    </message>
    <message>
        <source>an image file</source>
        <translation>eine Bilddatei</translation>
    </message>
    <message>
        <source>--remove-replacement needs at least one --remove</source>
        <translation>--remove-replacement braucht mindestens ein --remove</translation>
    </message>
    <message>
        <source>edit needs at least one file or folder</source>
        <translation>edit braucht mindestens eine Datei oder einen Ordner</translation>
    </message>
    <message>
        <source>edit needs at least one operation</source>
        <translation>edit braucht mindestens eine Operation</translation>
    </message>
    <message>
        <source>no such file or folder: %1</source>
        <translation>keine solche Datei und kein solcher Ordner: %1</translation>
    </message>
    <message>
        <source>%1: not a supported music file</source>
        <translation>%1: keine unterstützte Musikdatei</translation>
    </message>
    <message>
        <source>no such image file: %1</source>
        <translation>keine solche Bilddatei: %1</translation>
    </message>
    <message>
        <source>rename takes exactly one folder</source>
        <translation>rename nimmt genau einen Ordner</translation>
    </message>
    <message>
        <source>%1: not a regular file but a pipe or a device; left alone</source>
        <translation>%1: keine reguläre Datei, sondern eine Pipe oder ein Gerät; übergangen</translation>
    </message>
    <message>
        <source>--bpm takes a tempo from 1 to 999, not &quot;%1&quot;</source>
        <translation>--bpm nimmt ein Tempo von 1 bis 999, nicht „%1“</translation>
    </message>
    <message>
        <source>title, artist, genre, album, album-artist or all</source>
        <translation>title, artist, genre, album, album-artist oder all</translation>
    </message>
    <message>
        <source>%1 takes title, artist, genre, album, album-artist or all, not &quot;%2&quot;</source>
        <translation>%1 nimmt title, artist, genre, album, album-artist oder all, nicht „%2“</translation>
    </message>
    <message>
        <source>a column (title, artist, genre, year, album or album-artist) and a value</source>
        <translation>eine Spalte (title, artist, genre, year, album oder album-artist) und einen Wert</translation>
    </message>
    <message>
        <source>a column: title, artist, genre, year, album or album-artist</source>
        <translation>eine Spalte: title, artist, genre, year, album oder album-artist</translation>
    </message>
    <message>
        <source>%1 takes title, artist, genre, year, album or album-artist, not &quot;%2&quot;</source>
        <translation>%1 nimmt title, artist, genre, year, album oder album-artist, nicht „%2“</translation>
    </message>
    <message>
        <source>a command is needed: scan, write, bpm, rename, clean-bpm, tag-from-name, lookup or auto-search</source>
        <translation>ein Befehl wird gebraucht: scan, write, bpm, rename, clean-bpm, tag-from-name, lookup oder auto-search</translation>
    </message>
    <message>
        <source>rename needs --pattern artist-title, artist-title-year, bpm-artist-title or a pattern</source>
        <translation>rename braucht --pattern artist-title, artist-title-year, bpm-artist-title oder ein Muster</translation>
    </message>
    <message>
        <source>tag-from-name needs at least one file or folder</source>
        <translation>tag-from-name braucht mindestens eine Datei oder einen Ordner</translation>
    </message>
    <message>
        <source>tag-from-name needs --pattern</source>
        <translation>tag-from-name braucht --pattern</translation>
    </message>
    <message>
        <source>%1: the name does not match the pattern</source>
        <translation>%1: Der Name passt nicht zum Muster</translation>
    </message>
    <message>
        <source>Usage:
  quirella-cli scan FOLDER [--max-songs N]
  quirella-cli write PATH... [--title T] [--artist A] [--year N] [--genre G] [--rating N]
                             [--cover IMAGE | --no-cover] [--album A] [--album-artist A]
                             [--track N[/T]] [--disc N[/T]] [--bpm N]
  quirella-cli bpm PATH... [--write]
  quirella-cli rename FOLDER --pattern artist-title|artist-title-year|bpm-artist-title|PATTERN
                         [--analyze-bpm] [--dry-run] [--max-songs N]
  quirella-cli clean-bpm FOLDER [--max-songs N]
  quirella-cli tag-from-name PATH... --pattern PATTERN [--write]
  quirella-cli lookup ARTIST TITLE
  quirella-cli auto-search FOLDER --covers|--genres|--years [--write] [--max-songs N]
  quirella-cli edit PATH... OPERATION... [--write]
  quirella-cli --help
  quirella-cli --version

Music files are MP3, M4A, WAV, AIFF, FLAC, Ogg Vorbis and Opus files (.mp3, .m4a, .wav, .aiff, .aif,
.flac, .ogg, .oga, .opus).

scan   Loads FOLDER as dropping it on the window does and prints the loaded folder as one JSON
       document on standard output. A folder the window would refuse is reported on standard
       error with status 1; a folder loaded only in part gets its warning on standard error.

  --max-songs N  the largest folder taken (scan, rename, clean-bpm, auto-search); without it, the
                 window&apos;s preference &quot;Largest folder&quot; (1000 unless raised)

write  Builds a song from each PATH as loading does (a folder stands for the music files below
       it), replaces the values given, and writes the tags into the files. Prints the outcome,
       then each file that failed with its reason on standard error. A PATH that is not a music
       file is named on standard error and the others are written. The status is 0 when every
       song was written or skipped, 1 when one failed or a PATH is not a music file.

  --title T      the title (an empty text is written as empty)
  --artist A     the artist
  --year N       the year, 1900 to 2099, or 0 for none
  --genre G      the genre
  --rating N     the star rating, 0 to 5
  --cover IMAGE  the cover, from an image file
  --no-cover     no cover
  --album A      the album
  --album-artist A
                 the album&apos;s artist
  --track N[/T]  the track number, 1 to 999, with the number of tracks after &quot;/&quot; (0 for none)
  --disc N[/T]   the disc number, likewise
  --bpm N        the tempo, 1 to 999, written into the tags even when &quot;Write BPM into tags&quot; is off

Only what differs from a file&apos;s tags is written: a file whose tags already hold the values is left
as it is.

bpm    Analyses the tempo of each PATH (a folder stands for its music files in load order) and
       prints one line per file: the whole-number tempo, a tab, the path. A file whose analysis
       fails gets its error on standard error; the status is 1 when any failed. With --write the
       tempi also go into the files&apos; tags (as &quot;Write BPM into tags&quot; does), and the outcome is printed
       as write prints it.

rename Loads FOLDER as dropping it does and renames its files by the pattern, as the window&apos;s
       pattern sheet does; with --analyze-bpm &quot;Search BPM&quot; runs first. Prints the final message;
       the status is 0 when nothing failed, 1 otherwise. PATTERN is a pattern of your own (see
       below): a song it needs an empty field for is skipped and named on standard error. With
       --dry-run nothing is renamed: each file&apos;s old and new name are printed, parted by a tab.

clean-bpm
       Loads FOLDER and removes a leading tempo tag (&quot;[120 BPM] &quot;) from its file names, printing
       the same way.

tag-from-name
       Builds the songs as write does and gives each the values its name yields by PATTERN, as
       the window&apos;s &quot;Tags from File Names&quot; does. Prints the songs as scan does, or with --write
       writes the tags and prints the outcome as write does. A song whose name does not match is
       named on standard error, keeps its values, and makes the status 1.

Patterns: %title% %artist% %album% %albumartist% %year% %genre% %track% %disc% %bpm%, and
%ignore% for text to skip; any other text is literal. &quot;/&quot; reads the folders above the file:
&quot;%artist%/%album% (%year%)/%track%. %title%&quot;. Reading a name, the extension is left out,
%year% takes four digits, %track% and %disc% digits with an optional &quot;/total&quot;, %bpm% digits,
and a text field the shortest text that lets the rest match. Writing a name, %track% and
%disc% get two digits (&quot;03&quot;). A pattern with an unknown field, no field, or two fields with
nothing between them is refused with status 2.

lookup       Asks the music catalogues (iTunes, then MusicBrainz) about one recording and prints
             what was found as JSON (title, artist, year, coverURL, genre; absent fields left
             out). Nothing found: &quot;No results&quot; on standard error and status 1.

auto-search  Loads FOLDER, then looks up the missing covers, genres or years of its songs as the
             window&apos;s &quot;Auto-Search All ...&quot; does. The final summary goes to standard error; then
             the folder is printed as JSON, or with --write its tags are written into the files.
             Offline mode (the window&apos;s switch) is honoured: status 1.

edit   Builds the songs as write does, then runs the operations in the order given, each as the
       window&apos;s command does (COLUMN is title, artist, genre, year, album or album-artist). Prints
       the folder as scan does, or with --write writes the tags and prints the outcome as write
       does. Messages of the operations go to standard error; an edit that changes nothing is no
       error.

  --uppercase COLUMN|all      upper case (all: title, artist, genre, album and album artist)
  --title-case COLUMN|all     first letters in capitals (&quot;First Letter&quot;)
  --clean-characters          the sidebar&apos;s &quot;Characters&quot; clean-up
  --swap                      swap artist and title of every song
  --clear COLUMN              empty the column
  --replace COLUMN VALUE      one value for the whole column (a year only from 1900 to 2099)
  --set-genre TEXT            one genre for every song
  --set-rating N              N stars (1 to 4) for every song
  --clear-ratings             no rating for any song
  --number-tracks             track numbers 1 to N, and the total N, in the order of the songs
  --remove TERM               take TERM out of every text field (repeatable: all terms
                              apply together, in order, where the first --remove stands)
  --remove-replacement TEXT   put TEXT where a --remove term was, instead of a space
  --replace-text FROM TO      replace FROM by TO in every text field
  --cover-all IMAGE           IMAGE (PNG or JPEG, at most 1,000,000 bytes and 2000 x 2000) as the
                              cover of every song without a cover file, as &quot;Set Cover&quot; does
  --clear-covers              no cover for any song

The catalogues&apos; addresses can be replaced with QUIRELLA_ITUNES_URL, QUIRELLA_MUSICBRAINZ_URL and
QUIRELLA_COVERART_URL (https, or http on a loopback address).

Wrong arguments give status 2.
</source>
        <translation>Aufruf:
  quirella-cli scan ORDNER [--max-songs N]
  quirella-cli write PFAD... [--title T] [--artist A] [--year N] [--genre G] [--rating N]
                             [--cover BILD | --no-cover] [--album A] [--album-artist A]
                             [--track N[/T]] [--disc N[/T]] [--bpm N]
  quirella-cli bpm PFAD... [--write]
  quirella-cli rename ORDNER --pattern artist-title|artist-title-year|bpm-artist-title|MUSTER
                         [--analyze-bpm] [--dry-run] [--max-songs N]
  quirella-cli clean-bpm ORDNER [--max-songs N]
  quirella-cli tag-from-name PFAD... --pattern MUSTER [--write]
  quirella-cli lookup INTERPRET TITEL
  quirella-cli auto-search ORDNER --covers|--genres|--years [--write] [--max-songs N]
  quirella-cli edit PFAD... OPERATION... [--write]
  quirella-cli --help
  quirella-cli --version

Musikdateien sind MP3-, M4A-, WAV-, AIFF-, FLAC-, Ogg-Vorbis- und Opus-Dateien (.mp3, .m4a, .wav,
.aiff, .aif, .flac, .ogg, .oga, .opus).

scan   Lädt ORDNER so, wie es das Ziehen auf das Fenster tut, und gibt den geladenen Ordner als ein
       JSON-Dokument auf der Standardausgabe aus. Ein Ordner, den das Fenster ablehnen würde, wird
       auf der Standardfehlerausgabe gemeldet, Status 1; ein nur teilweise geladener Ordner
       bekommt seine Warnung auf der Standardfehlerausgabe.

  --max-songs N  der größte Ordner, der genommen wird (scan, rename, clean-bpm, auto-search);
                 ohne die Option die Einstellung „Größter Ordner“ des Fensters (1000, solange
                 nicht erhöht)

write  Baut aus jedem PFAD einen Song wie beim Laden (ein Ordner steht für die Musikdateien
       darunter), ersetzt die angegebenen Werte und schreibt die Tags in die Dateien. Gibt das
       Ergebnis aus, dann jede fehlgeschlagene Datei mit ihrem Grund auf der
       Standardfehlerausgabe. Ein PFAD, der keine Musikdatei ist, wird auf der
       Standardfehlerausgabe genannt, die anderen werden geschrieben. Der Status ist 0, wenn jeder
       Song geschrieben oder übersprungen wurde, 1, wenn einer fehlschlug oder ein PFAD keine
       Musikdatei ist.

  --title T      der Titel (ein leerer Text wird leer geschrieben)
  --artist A     der Interpret
  --year N       das Jahr, 1900 bis 2099, oder 0 für keines
  --genre G      das Genre
  --rating N     die Bewertung in Sternen, 0 bis 5
  --cover BILD   das Cover, aus einer Bilddatei
  --no-cover     kein Cover
  --album A      das Album
  --album-artist A
                 der Interpret des Albums
  --track N[/T]  die Titelnummer, 1 bis 999, mit der Zahl der Titel nach „/“ (0 für keine)
  --disc N[/T]   die CD-Nummer, ebenso
  --bpm N        das Tempo, 1 bis 999, auch dann in die Tags geschrieben, wenn „BPM in Tags
                 schreiben“ aus ist

Geschrieben wird nur, was von den Tags einer Datei abweicht: Eine Datei, deren Tags die Werte
schon enthalten, bleibt, wie sie ist.

bpm    Analysiert das Tempo jedes PFADES (ein Ordner steht für seine Musikdateien in
       Ladereihenfolge) und gibt je Datei eine Zeile aus: das Tempo als ganze Zahl, ein Tabulator,
       der Pfad. Eine Datei, deren Analyse fehlschlägt, bekommt ihren Fehler auf der
       Standardfehlerausgabe; der Status ist 1, wenn eine fehlschlug. Mit --write kommen die
       Tempi auch in die Tags der Dateien (wie bei „BPM in Tags schreiben“), und das Ergebnis wird
       wie bei write ausgegeben.

rename Lädt ORDNER wie beim Ziehen und benennt seine Dateien nach dem Muster um, wie es das
       Musterfenster des Fensters tut; mit --analyze-bpm läuft zuerst „BPM suchen“. Gibt die
       abschließende Meldung aus; der Status ist 0, wenn nichts fehlschlug, sonst 1. MUSTER ist
       ein eigenes Muster (siehe unten): Ein Song, für den es ein leeres Feld bräuchte, wird
       übersprungen und auf der Standardfehlerausgabe genannt. Mit --dry-run wird nichts
       umbenannt: Für jede Datei werden alter und neuer Name ausgegeben, durch einen Tabulator
       getrennt.

clean-bpm
       Lädt ORDNER und entfernt eine Tempo-Angabe am Anfang („[120 BPM] “) aus seinen
       Dateinamen, mit derselben Ausgabe.

tag-from-name
       Baut die Songs wie write und gibt jedem die Werte, die sein Name nach MUSTER hergibt, wie
       es „Tags aus Dateinamen“ im Fenster tut. Gibt die Songs wie scan aus, oder schreibt mit
       --write die Tags und gibt das Ergebnis wie write aus. Ein Song, dessen Name nicht passt,
       wird auf der Standardfehlerausgabe genannt, behält seine Werte und macht den Status 1.

Muster: %title% %artist% %album% %albumartist% %year% %genre% %track% %disc% %bpm%, und
%ignore% für zu überspringenden Text; jeder andere Text gilt wörtlich. „/“ liest die Ordner
über der Datei: „%artist%/%album% (%year%)/%track%. %title%“. Beim Lesen eines Namens bleibt
die Endung außen vor, %year% nimmt vier Ziffern, %track% und %disc% Ziffern mit einem
optionalen „/Gesamtzahl“, %bpm% Ziffern, und ein Textfeld den kürzesten Text, mit dem der Rest
passt. Beim Schreiben eines Namens bekommen %track% und %disc% zwei Ziffern („03“). Ein Muster
mit einem unbekannten Feld, ohne Feld oder mit zwei Feldern ohne etwas dazwischen wird mit
Status 2 abgelehnt.

lookup       Fragt die Musikkataloge (iTunes, dann MusicBrainz) nach einer Aufnahme und gibt das
             Gefundene als JSON aus (title, artist, year, coverURL, genre; fehlende Felder
             entfallen). Nichts gefunden: „No results“ auf der Standardfehlerausgabe und Status 1.

auto-search  Lädt ORDNER und sucht dann die fehlenden Cover, Genres oder Jahre seiner Songs, wie
             es „Alle … automatisch suchen“ im Fenster tut. Die Zusammenfassung geht auf die
             Standardfehlerausgabe; dann wird der Ordner als JSON ausgegeben, oder mit --write
             werden seine Tags in die Dateien geschrieben. Der Offline-Modus (der Schalter des
             Fensters) wird beachtet: Status 1.

edit   Baut die Songs wie write und führt dann die Operationen in der angegebenen Reihenfolge
       aus, jede wie der Befehl des Fensters (SPALTE ist title, artist, genre, year, album oder
       album-artist). Gibt
       den Ordner wie scan aus, oder schreibt mit --write die Tags und gibt das Ergebnis wie write
       aus. Meldungen der Operationen gehen auf die Standardfehlerausgabe; eine Bearbeitung, die
       nichts ändert, ist kein Fehler.

  --uppercase SPALTE|all      Großbuchstaben (all: Titel, Interpret, Genre, Album und
                              Album-Interpret)
  --title-case SPALTE|all     große Anfangsbuchstaben („Anfangsbuchstaben“)
  --clean-characters          die Bereinigung „Zeichen“ der Seitenleiste
  --swap                      Interpret und Titel jedes Songs tauschen
  --clear SPALTE              die Spalte leeren
  --replace SPALTE WERT       ein Wert für die ganze Spalte (ein Jahr nur von 1900 bis 2099)
  --set-genre TEXT            ein Genre für jeden Song
  --set-rating N              N Sterne (1 bis 4) für jeden Song
  --clear-ratings             keine Bewertung für irgendeinen Song
  --number-tracks             Titelnummern 1 bis N und die Gesamtzahl N, in der Reihenfolge der
                              Songs
  --remove BEGRIFF            BEGRIFF aus jedem Textfeld entfernen (wiederholbar:
                              alle Begriffe gelten zusammen, der Reihe nach, an der Stelle des
                              ersten --remove)
  --remove-replacement TEXT   TEXT statt eines Leerzeichens dort einsetzen, wo ein --remove-Begriff
                              stand
  --replace-text VON NACH     VON durch NACH in jedem Textfeld ersetzen
  --cover-all BILD            BILD (PNG oder JPEG, höchstens 1.000.000 Bytes und 2000 x 2000) als
                              Cover jedes Songs ohne Coverdatei, wie es „Cover festlegen“ tut
  --clear-covers              kein Cover für irgendeinen Song

Die Adressen der Kataloge lassen sich mit QUIRELLA_ITUNES_URL, QUIRELLA_MUSICBRAINZ_URL und
QUIRELLA_COVERART_URL ersetzen (https, oder http auf einer Loopback-Adresse).

Falsche Argumente ergeben Status 2.
</translation>
    </message>
    <message>
        <source>--max-songs takes a count of songs, not &quot;%1&quot;</source>
        <translation>--max-songs nimmt eine Anzahl von Songs, nicht „%1“</translation>
    </message>
    <message>
        <source>%1 of %2 (%3%), %4</source>
        <translation>%1 von %2 (%3 %), %4</translation>
    </message>
</context>
<context>
    <name>ContentViewModel</name>
    <message>
        <source>The file “%1” doesn’t exist.</source>
        <translation>Die Datei „%1“ existiert nicht.</translation>
    </message>
</context>
<context>
    <name>CoverAssignment</name>
    <message>
        <source>Error: Could not process the image. Please try another image.</source>
        <translation>Fehler: Das Bild konnte nicht verarbeitet werden. Bitte versuchen Sie ein anderes Bild.</translation>
    </message>
    <message>
        <source>Error: Could not optimize the image. Please try a smaller or different format image.</source>
        <translation>Fehler: Das Bild konnte nicht optimiert werden. Bitte versuchen Sie ein kleineres Bild oder ein anderes Format.</translation>
    </message>
    <message>
        <source>Error: Could not save cover image to disk</source>
        <translation>Fehler: Das Cover konnte nicht gespeichert werden</translation>
    </message>
    <message numerus="yes">
        <source>✅ Cover applied to %n songs</source>
        <translation>
            <numerusform>✅ Cover auf %n Song angewendet</numerusform>
            <numerusform>✅ Cover auf %n Songs angewendet</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>✅ Cover added to %n songs, %1 already had covers</source>
        <translation>
            <numerusform>✅ Cover zu %n Song hinzugefügt, %1 hatten bereits ein Cover</numerusform>
            <numerusform>✅ Cover zu %n Songs hinzugefügt, %1 hatten bereits ein Cover</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>✅ Cover added to %n songs</source>
        <translation>
            <numerusform>✅ Cover zu %n Song hinzugefügt</numerusform>
            <numerusform>✅ Cover zu %n Songs hinzugefügt</numerusform>
        </translation>
    </message>
    <message>
        <source>✅ Cover added</source>
        <translation>✅ Cover hinzugefügt</translation>
    </message>
    <message>
        <source>🗑️ Cover removed</source>
        <translation>🗑️ Cover entfernt</translation>
    </message>
    <message numerus="yes">
        <source>🗑️ Covers removed from %n songs</source>
        <translation>
            <numerusform>🗑️ Cover von %n Song entfernt</numerusform>
            <numerusform>🗑️ Cover von %n Songs entfernt</numerusform>
        </translation>
    </message>
    <message>
        <source>🗑️ All covers cleared</source>
        <translation>🗑️ Alle Cover entfernt</translation>
    </message>
</context>
<context>
    <name>CoverPicker</name>
    <message>
        <source>Please use PNG or JPEG images only</source>
        <translation>Bitte verwenden Sie nur PNG- oder JPEG-Bilder</translation>
    </message>
    <message>
        <source>Image too large! Please use an image under 1MB</source>
        <translation>Bild zu groß! Bitte verwenden Sie ein Bild unter 1 MB</translation>
    </message>
    <message>
        <source>Could not load image</source>
        <translation>Bild konnte nicht geladen werden</translation>
    </message>
    <message>
        <source>Image resolution too large! Max 2000x2000.</source>
        <translation>Bildauflösung zu groß! Höchstens 2000x2000.</translation>
    </message>
</context>
<context>
    <name>FLACTagEditor</name>
    <message>
        <source>The file is not a FLAC file.</source>
        <translation>Die Datei ist keine FLAC-Datei.</translation>
    </message>
    <message>
        <source>A metadata block runs past the end of the file.</source>
        <translation>Ein Metadatenblock reicht über das Ende der Datei hinaus.</translation>
    </message>
    <message>
        <source>The file has more metadata blocks than a FLAC file holds.</source>
        <translation>Die Datei hat mehr Metadatenblöcke, als eine FLAC-Datei enthalten kann.</translation>
    </message>
    <message>
        <source>The FLAC metadata is damaged.</source>
        <translation>Die FLAC-Metadaten sind beschädigt.</translation>
    </message>
    <message>
        <source>No audio follows the FLAC metadata: the file may be cut off or damaged.</source>
        <translation>Auf die FLAC-Metadaten folgen keine Audiodaten: Die Datei ist vielleicht abgeschnitten oder beschädigt.</translation>
    </message>
    <message>
        <source>The comments of the FLAC file are damaged.</source>
        <translation>Die Kommentare der FLAC-Datei sind beschädigt.</translation>
    </message>
    <message>
        <source>The comments would not fit into a FLAC block; the file was left unchanged.</source>
        <translation>Die Kommentare würden nicht in einen FLAC-Block passen; die Datei wurde nicht verändert.</translation>
    </message>
    <message>
        <source>The FLAC file does not end with a whole frame: it may be cut off or damaged.</source>
        <translation>Die FLAC-Datei endet nicht mit einem vollständigen Frame: Sie ist vielleicht abgeschnitten oder beschädigt.</translation>
    </message>
</context>
<context>
    <name>FileRenaming</name>
    <message>
        <source>Too many duplicates</source>
        <translation>Zu viele Duplikate</translation>
    </message>
    <message>
        <source>Invalid bookmark</source>
        <translation>Ungültiges Lesezeichen</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>Access denied</source>
        <translation>Zugriff verweigert</translation>
    </message>
    <message>
        <source>Invalid name generated</source>
        <translation>Ungültiger Name erzeugt</translation>
    </message>
    <message numerus="yes">
        <source>✅ Success: %n files</source>
        <translation>
            <numerusform>✅ Erfolgreich: %n Datei</numerusform>
            <numerusform>✅ Erfolgreich: %n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>❌ Failed: %n files</source>
        <translation>
            <numerusform>❌ Fehlgeschlagen: %n Datei</numerusform>
            <numerusform>❌ Fehlgeschlagen: %n Dateien</numerusform>
        </translation>
    </message>
    <message>
        <source>Failed files:</source>
        <translation>Fehlgeschlagene Dateien:</translation>
    </message>
    <message numerus="yes">
        <source>...and %n more</source>
        <translation>
            <numerusform>… und %n weitere</numerusform>
            <numerusform>… und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>Renaming files...</source>
        <translation>Dateien werden umbenannt …</translation>
    </message>
    <message numerus="yes">
        <source>📝 Renaming %n files...</source>
        <translation>
            <numerusform>📝 %n Datei wird umbenannt …</numerusform>
            <numerusform>📝 %n Dateien werden umbenannt …</numerusform>
        </translation>
    </message>
    <message>
        <source>Renaming file %1 of %2</source>
        <translation>Datei %1 von %2 wird umbenannt</translation>
    </message>
    <message>
        <source>Rename operation completed with issues:</source>
        <translation>Umbenennen mit Problemen abgeschlossen:</translation>
    </message>
    <message numerus="yes">
        <source>✅ %n files renamed successfully!</source>
        <translation>
            <numerusform>✅ %n Datei erfolgreich umbenannt!</numerusform>
            <numerusform>✅ %n Dateien erfolgreich umbenannt!</numerusform>
        </translation>
    </message>
    <message>
        <source>Cleaning BPM from filenames...</source>
        <translation>BPM werden aus den Dateinamen entfernt …</translation>
    </message>
    <message numerus="yes">
        <source>🧹 Cleaning BPM from %n files...</source>
        <translation>
            <numerusform>🧹 BPM werden aus %n Datei entfernt …</numerusform>
            <numerusform>🧹 BPM werden aus %n Dateien entfernt …</numerusform>
        </translation>
    </message>
    <message>
        <source>Cleaning file %1 of %2</source>
        <translation>Datei %1 von %2 wird bereinigt</translation>
    </message>
    <message>
        <source>BPM cleaning completed with issues:</source>
        <translation>BPM-Bereinigung mit Problemen abgeschlossen:</translation>
    </message>
    <message numerus="yes">
        <source>✅ BPM cleaned from %n files!</source>
        <translation>
            <numerusform>✅ BPM aus %n Datei entfernt!</numerusform>
            <numerusform>✅ BPM aus %n Dateien entfernt!</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>(%n skipped)</source>
        <translation>
            <numerusform>(%n übersprungen)</numerusform>
            <numerusform>(%n übersprungen)</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 is empty</source>
        <translation>%1 ist leer</translation>
    </message>
    <message>
        <source>Stopped:</source>
        <translation>Angehalten:</translation>
    </message>
    <message numerus="yes">
        <source>⏹ Not done: %n files (names unchanged)</source>
        <translation>
            <numerusform>⏹ Nicht bearbeitet: %n Datei (Name unverändert)</numerusform>
            <numerusform>⏹ Nicht bearbeitet: %n Dateien (Namen unverändert)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FolderChanges</name>
    <message numerus="yes">
        <source>%n songs added</source>
        <translation>
            <numerusform>%n Song hinzugefügt</numerusform>
            <numerusform>%n Songs hinzugefügt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n songs removed</source>
        <translation>
            <numerusform>%n Song entfernt</numerusform>
            <numerusform>%n Songs entfernt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n removed</source>
        <translation>
            <numerusform>%n entfernt</numerusform>
            <numerusform>%n entfernt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n songs changed on disk</source>
        <translation>
            <numerusform>%n Song auf dem Datenträger verändert</numerusform>
            <numerusform>%n Songs auf dem Datenträger verändert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n changed on disk</source>
        <translation>
            <numerusform>%n auf dem Datenträger verändert</numerusform>
            <numerusform>%n auf dem Datenträger verändert</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FolderScanner</name>
    <message>
        <source>The folder “%1” doesn’t exist.</source>
        <translation>Der Ordner „%1“ existiert nicht.</translation>
    </message>
    <message>
        <source>You don’t have permission to view the folder “%1”.</source>
        <translation>Sie haben keine Berechtigung, den Ordner „%1“ anzuzeigen.</translation>
    </message>
</context>
<context>
    <name>HttpClient</name>
    <message>
        <source>Refused address %1</source>
        <translation>Adresse abgelehnt: %1</translation>
    </message>
    <message>
        <source>Refused redirect to %1</source>
        <translation>Weiterleitung abgelehnt: %1</translation>
    </message>
    <message>
        <source>Operation timed out</source>
        <translation>Zeitüberschreitung</translation>
    </message>
    <message>
        <source>Reply larger than %1 bytes</source>
        <translation>Antwort größer als %1 Bytes</translation>
    </message>
    <message>
        <source>Operation canceled</source>
        <translation>Vorgang abgebrochen</translation>
    </message>
    <message>
        <source>Busy (HTTP %1)</source>
        <translation>Ausgelastet (HTTP %1)</translation>
    </message>
    <message>
        <source>HTTP status %1</source>
        <translation>HTTP-Status %1</translation>
    </message>
</context>
<context>
    <name>Id3</name>
    <message>
        <source>The file&apos;s ID3 tag has a version this program does not know.</source>
        <translation>Das ID3-Tag der Datei hat eine Version, die dieses Programm nicht kennt.</translation>
    </message>
    <message>
        <source>The file&apos;s ID3 tag is compressed in a way no program defines.</source>
        <translation>Das ID3-Tag der Datei ist auf eine Weise komprimiert, die kein Programm festlegt.</translation>
    </message>
    <message>
        <source>The extended header of the file&apos;s ID3 tag is damaged.</source>
        <translation>Der erweiterte Header des ID3-Tags der Datei ist beschädigt.</translation>
    </message>
    <message>
        <source>A compressed frame of the file&apos;s ID3 tag does not say how long it is.</source>
        <translation>Ein komprimierter Frame des ID3-Tags der Datei gibt seine Länge nicht an.</translation>
    </message>
    <message>
        <source>The file&apos;s ID3 tag (version 2.2) has a frame “%1” that cannot be carried into a newer tag.</source>
        <translation>Das ID3-Tag (Version 2.2) der Datei hat einen Frame „%1“, der sich nicht in ein neueres Tag übernehmen lässt.</translation>
    </message>
    <message>
        <source>The file was left unchanged.</source>
        <translation>Die Datei wurde nicht verändert.</translation>
    </message>
</context>
<context>
    <name>M4ATagEditor</name>
    <message>
        <source>The file is not a valid M4A file. %1</source>
        <translation>Die Datei ist keine gültige M4A-Datei. %1</translation>
    </message>
    <message>
        <source>The file is not a valid M4A file.</source>
        <translation>Die Datei ist keine gültige M4A-Datei.</translation>
    </message>
    <message>
        <source>Rewriting the tags would damage the file; it was left unchanged.</source>
        <translation>Das Neuschreiben der Tags würde die Datei beschädigen; sie wurde nicht verändert.</translation>
    </message>
</context>
<context>
    <name>MP3TagEditor</name>
    <message>
        <source>The file is too large to be tagged (more than 499,999,999 bytes).</source>
        <translation>Die Datei ist zu groß für Tags (mehr als 499.999.999 Bytes).</translation>
    </message>
    <message>
        <source>The ID3 tag at the start of the file claims more bytes than the file holds; the file was left unchanged.</source>
        <translation>Das ID3-Tag am Anfang der Datei gibt mehr Bytes an, als die Datei enthält; die Datei wurde nicht verändert.</translation>
    </message>
    <message>
        <source>The ID3 tag at the start of the file has a damaged size; the file was left unchanged.</source>
        <translation>Das ID3-Tag am Anfang der Datei hat eine beschädigte Größe; die Datei wurde nicht verändert.</translation>
    </message>
    <message>
        <source>The file changed while it was being read; it was left unchanged.</source>
        <translation>Die Datei wurde während des Lesens verändert; sie wurde nicht verändert.</translation>
    </message>
    <message>
        <source>The tagged file would be larger than 499,999,999 bytes; the file was left unchanged.</source>
        <translation>Mit den Tags wäre die Datei größer als 499.999.999 Bytes; die Datei wurde nicht verändert.</translation>
    </message>
    <message>
        <source>The file holds no MPEG audio where its audio should start; it is not an MP3 file and was left unchanged.</source>
        <translation>Die Datei enthält kein MPEG-Audio, wo ihr Audio beginnen sollte; sie ist keine MP3-Datei und wurde nicht verändert.</translation>
    </message>
</context>
<context>
    <name>Mp4Structure</name>
    <message>
        <source>The file is cut short or damaged: a part of it runs past its end.</source>
        <translation>Die Datei ist abgeschnitten oder beschädigt: Ein Teil reicht über ihr Ende hinaus.</translation>
    </message>
    <message>
        <source>The file&apos;s boxes are nested too deeply.</source>
        <translation>Die Boxen der Datei sind zu tief verschachtelt.</translation>
    </message>
    <message>
        <source>The file has too many boxes.</source>
        <translation>Die Datei hat zu viele Boxen.</translation>
    </message>
    <message>
        <source>The file is not an MPEG-4 audio file.</source>
        <translation>Die Datei ist keine MPEG-4-Audiodatei.</translation>
    </message>
</context>
<context>
    <name>Mp4Tags</name>
    <message>
        <source>The file was left unchanged.</source>
        <translation>Die Datei wurde nicht verändert.</translation>
    </message>
    <message>
        <source>A box of the file&apos;s movie header is damaged.</source>
        <translation>Eine Box im Movie-Header der Datei ist beschädigt.</translation>
    </message>
    <message>
        <source>A chunk offset table of the file is damaged.</source>
        <translation>Eine Chunk-Offset-Tabelle der Datei ist beschädigt.</translation>
    </message>
    <message>
        <source>The audio would move beyond what the file&apos;s chunk offsets can point at.</source>
        <translation>Das Audio würde weiter rücken, als die Chunk-Offsets der Datei zeigen können.</translation>
    </message>
    <message>
        <source>The file is fragmented, and its tags cannot grow or shrink in place.</source>
        <translation>Die Datei ist fragmentiert; ihre Tags können an Ort und Stelle weder wachsen noch schrumpfen.</translation>
    </message>
</context>
<context>
    <name>MusicMetadata</name>
    <message>
        <source>Network error</source>
        <translation>Netzwerkfehler</translation>
    </message>
    <message>
        <source>No results</source>
        <translation>Keine Ergebnisse</translation>
    </message>
    <message>
        <source>Invalid response</source>
        <translation>Ungültige Antwort</translation>
    </message>
    <message>
        <source>The music catalogues are busy; try again later</source>
        <translation>Die Musikkataloge sind ausgelastet; versuchen Sie es später erneut</translation>
    </message>
</context>
<context>
    <name>NamePattern</name>
    <message>
        <source>“%1” is no field: use %title%, %artist%, %album%, %albumartist%, %year%, %genre%, %track%, %disc%, %bpm% or %ignore%.</source>
        <translation>„%1“ ist kein Feld: Verwenden Sie %title%, %artist%, %album%, %albumartist%, %year%, %genre%, %track%, %disc%, %bpm% oder %ignore%.</translation>
    </message>
    <message>
        <source>%1 and %2 have nothing between them, so where one ends cannot be told.</source>
        <translation>Zwischen %1 und %2 steht nichts, daher lässt sich nicht sagen, wo das eine endet.</translation>
    </message>
    <message>
        <source>The pattern has no field such as %artist% or %title%.</source>
        <translation>Das Muster hat kein Feld wie %artist% oder %title%.</translation>
    </message>
    <message>
        <source>A folder level of the pattern is empty: remove the extra “/”.</source>
        <translation>Eine Ordnerebene des Musters ist leer: Entfernen Sie das überzählige „/“.</translation>
    </message>
    <message>
        <source>Files are renamed within their folder: a file name pattern cannot hold “/”.</source>
        <translation>Dateien werden in ihrem Ordner umbenannt: Ein Dateinamensmuster kann kein „/“ enthalten.</translation>
    </message>
    <message>
        <source>%ignore% has no value to write into a file name.</source>
        <translation>%ignore% hat keinen Wert, der in einen Dateinamen geschrieben werden könnte.</translation>
    </message>
</context>
<context>
    <name>NetworkModeManager</name>
    <message>
        <source>🌐 Online Mode Enabled</source>
        <translation>🌐 Online-Modus eingeschaltet</translation>
    </message>
    <message>
        <source>📵 Offline Mode Enabled</source>
        <translation>📵 Offline-Modus eingeschaltet</translation>
    </message>
</context>
<context>
    <name>OggTagEditor</name>
    <message>
        <source>The file is not an Ogg file.</source>
        <translation>Die Datei ist keine Ogg-Datei.</translation>
    </message>
    <message>
        <source>There are bytes after the last Ogg page.</source>
        <translation>Nach der letzten Ogg-Seite folgen noch Bytes.</translation>
    </message>
    <message>
        <source>The last Ogg page is cut off.</source>
        <translation>Die letzte Ogg-Seite ist abgeschnitten.</translation>
    </message>
    <message>
        <source>An Ogg page is damaged.</source>
        <translation>Eine Ogg-Seite ist beschädigt.</translation>
    </message>
    <message>
        <source>The file holds more than one Ogg stream; such files are not written.</source>
        <translation>Die Datei enthält mehr als einen Ogg-Stream; solche Dateien werden nicht geschrieben.</translation>
    </message>
    <message>
        <source>Pages of the Ogg stream are missing.</source>
        <translation>Seiten des Ogg-Streams fehlen.</translation>
    </message>
    <message>
        <source>FLAC inside Ogg is not written.</source>
        <translation>FLAC in Ogg wird nicht geschrieben.</translation>
    </message>
    <message>
        <source>The Ogg stream is neither Vorbis nor Opus.</source>
        <translation>Der Ogg-Stream ist weder Vorbis noch Opus.</translation>
    </message>
    <message>
        <source>The Ogg headers are laid out in an unusual way.</source>
        <translation>Die Ogg-Header sind ungewöhnlich angeordnet.</translation>
    </message>
    <message>
        <source>The Ogg headers are incomplete.</source>
        <translation>Die Ogg-Header sind unvollständig.</translation>
    </message>
    <message>
        <source>The Ogg comment header is damaged.</source>
        <translation>Der Ogg-Kommentarheader ist beschädigt.</translation>
    </message>
</context>
<context>
    <name>RemainingTime</name>
    <message>
        <source>Calculating...</source>
        <translation>Wird berechnet …</translation>
    </message>
    <message numerus="yes">
        <source>%n seconds remaining</source>
        <translation>
            <numerusform>Noch %n Sekunde</numerusform>
            <numerusform>Noch %n Sekunden</numerusform>
        </translation>
    </message>
    <message>
        <source>1 minute remaining</source>
        <translation>Noch 1 Minute</translation>
    </message>
    <message numerus="yes">
        <source>%n minutes remaining</source>
        <translation>
            <numerusform>Noch %n Minute</numerusform>
            <numerusform>Noch %n Minuten</numerusform>
        </translation>
    </message>
    <message>
        <source>%1h %2m remaining</source>
        <translation>Noch %1 Std. %2 Min.</translation>
    </message>
</context>
<context>
    <name>Riff</name>
    <message>
        <source>The audio data chunk of the %1 file declares no length although bytes follow it; the recording was probably never finished. The file was left unchanged so that no audio is lost.</source>
        <translation>Der Audiodaten-Chunk der %1-Datei gibt keine Länge an, obwohl Bytes folgen; die Aufnahme wurde wahrscheinlich nie abgeschlossen. Die Datei wurde nicht verändert, damit keine Audiodaten verloren gehen.</translation>
    </message>
    <message>
        <source>A chunk of the %1 file runs past its end (the file is probably truncated); it was left unchanged so that no audio is lost.</source>
        <translation>Ein Chunk der %1-Datei reicht über ihr Ende hinaus (die Datei ist wahrscheinlich abgeschnitten); sie wurde nicht verändert, damit keine Audiodaten verloren gehen.</translation>
    </message>
    <message>
        <source>The %1 file has bytes that belong to no chunk at byte %2 (a chunk name that is not text); the file is damaged or an unfinished recording, and was left unchanged so that no audio is lost.</source>
        <translation>Die %1-Datei hat bei Byte %2 Bytes, die zu keinem Chunk gehören (ein Chunk-Name, der kein Text ist); die Datei ist beschädigt oder eine unvollendete Aufnahme und wurde nicht verändert, damit keine Audiodaten verloren gehen.</translation>
    </message>
</context>
<context>
    <name>TagError</name>
    <message>
        <source>The file has no audio data that could be read.</source>
        <translation>Die Datei enthält keine lesbaren Audiodaten.</translation>
    </message>
    <message>
        <source>The file cannot be written.</source>
        <translation>Die Datei kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>The cover image could not be processed.</source>
        <translation>Das Cover konnte nicht verarbeitet werden.</translation>
    </message>
    <message>
        <source>The file is not in a valid format.</source>
        <translation>Die Datei hat kein gültiges Format.</translation>
    </message>
    <message>
        <source>The file could not be accessed.</source>
        <translation>Auf die Datei konnte nicht zugegriffen werden.</translation>
    </message>
    <message>
        <source>Unknown tag error.</source>
        <translation>Unbekannter Tag-Fehler.</translation>
    </message>
</context>
<context>
    <name>TagReader</name>
    <message>
        <source>The file&apos;s tags cannot be read; it is damaged or not the kind of file its name says.</source>
        <translation>Die Tags der Datei können nicht gelesen werden; sie ist beschädigt oder nicht die Art Datei, die ihr Name angibt.</translation>
    </message>
</context>
<context>
    <name>TagWriter</name>
    <message>
        <source>Writing “%1” was cancelled; the file is unchanged.</source>
        <translation>Das Schreiben von „%1“ wurde abgebrochen; die Datei ist unverändert.</translation>
    </message>
</context>
<context>
    <name>TagWriting</name>
    <message>
        <source>the file is gone</source>
        <translation>die Datei ist nicht mehr vorhanden</translation>
    </message>
    <message>
        <source>no writer for this kind of file</source>
        <translation>dieser Dateityp kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>M4A tag writing timeout</source>
        <translation>Zeitüberschreitung beim Schreiben der M4A-Tags</translation>
    </message>
    <message>
        <source>M4A timeout - skipped</source>
        <translation>M4A-Zeitüberschreitung – übersprungen</translation>
    </message>
    <message>
        <source>Processing %1</source>
        <translation>Verarbeite %1</translation>
    </message>
    <message numerus="yes">
        <source>ℹ️ Cover left as it was in %n songs whose cover file could not be read: %1</source>
        <translation>
            <numerusform>ℹ️ Cover blieb unverändert in %n Song, dessen Coverdatei nicht gelesen werden konnte: %1</numerusform>
            <numerusform>ℹ️ Cover blieb unverändert in %n Songs, deren Coverdatei nicht gelesen werden konnte: %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n skipped</source>
        <translation>
            <numerusform>%n übersprungen</numerusform>
            <numerusform>%n übersprungen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠️ Tags written to %n songs</source>
        <translation>
            <numerusform>⚠️ Tags in %n Song geschrieben</numerusform>
            <numerusform>⚠️ Tags in %n Songs geschrieben</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠️ No tags written: %n songs skipped</source>
        <translation>
            <numerusform>⚠️ Keine Tags geschrieben: %n Song übersprungen</numerusform>
            <numerusform>⚠️ Keine Tags geschrieben: %n Songs übersprungen</numerusform>
        </translation>
    </message>
    <message>
        <source>Tag writing completed with issues:</source>
        <translation>Schreiben der Tags mit Problemen abgeschlossen:</translation>
    </message>
    <message numerus="yes">
        <source>✅ Success: %n files</source>
        <translation>
            <numerusform>✅ Erfolgreich: %n Datei</numerusform>
            <numerusform>✅ Erfolgreich: %n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⏭ Skipped: %n files</source>
        <translation>
            <numerusform>⏭ Übersprungen: %n Datei</numerusform>
            <numerusform>⏭ Übersprungen: %n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>❌ Errors: %n files</source>
        <translation>
            <numerusform>❌ Fehler: %n Datei</numerusform>
            <numerusform>❌ Fehler: %n Dateien</numerusform>
        </translation>
    </message>
    <message>
        <source>Failed files:</source>
        <translation>Fehlgeschlagene Dateien:</translation>
    </message>
    <message numerus="yes">
        <source>...and %n more</source>
        <translation>
            <numerusform>… und %n weitere</numerusform>
            <numerusform>… und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>⚠️ Tags: %1 success, %2 failed</source>
        <translation>⚠️ Tags: %1 erfolgreich, %2 fehlgeschlagen</translation>
    </message>
    <message numerus="yes">
        <source>✅ Tags written to %n songs successfully!</source>
        <translation>
            <numerusform>✅ Tags erfolgreich in %n Song geschrieben!</numerusform>
            <numerusform>✅ Tags erfolgreich in %n Songs geschrieben!</numerusform>
        </translation>
    </message>
    <message>
        <source>Writing tags to files...</source>
        <translation>Tags werden in die Dateien geschrieben …</translation>
    </message>
    <message numerus="yes">
        <source>✏️ Writing tags to %n songs...</source>
        <translation>
            <numerusform>✏️ Tags werden in %n Song geschrieben …</numerusform>
            <numerusform>✏️ Tags werden in %n Songs geschrieben …</numerusform>
        </translation>
    </message>
    <message>
        <source>changed on disk since it was loaded</source>
        <translation>seit dem Laden auf dem Datenträger verändert</translation>
    </message>
    <message>
        <source>Tag writing stopped:</source>
        <translation>Schreiben der Tags angehalten:</translation>
    </message>
    <message numerus="yes">
        <source>⏹ Not written: %n files (left as they were)</source>
        <translation>
            <numerusform>⏹ Nicht geschrieben: %n Datei (unverändert gelassen)</numerusform>
            <numerusform>⏹ Nicht geschrieben: %n Dateien (unverändert gelassen)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TrackNumber</name>
    <message>
        <source>“%1” is not a number for a track or disc: use a whole number from 1 to 999, with a total after “/” if you like that is not below it (“3” or “3/12”).</source>
        <translation>„%1“ ist keine Titel- oder CD-Nummer: Geben Sie eine ganze Zahl von 1 bis 999 ein, nach Wunsch mit einer Gesamtzahl nach „/“, die nicht kleiner ist („3“ oder „3/12“).</translation>
    </message>
</context>
<context>
    <name>Trash</name>
    <message>
        <source>The trash folder “%1” cannot be created.</source>
        <translation>Der Papierkorb-Ordner „%1“ kann nicht angelegt werden.</translation>
    </message>
</context>
<context>
    <name>WAVTagEditor</name>
    <message>
        <source>The file is too short to be a WAV file.</source>
        <translation>Die Datei ist zu kurz für eine WAV-Datei.</translation>
    </message>
    <message>
        <source>The file is not a RIFF/WAVE file.</source>
        <translation>Die Datei ist keine RIFF/WAVE-Datei.</translation>
    </message>
    <message>
        <source>The WAV file has too many chunks.</source>
        <translation>Die WAV-Datei hat zu viele Chunks.</translation>
    </message>
    <message>
        <source>The WAV file has no format chunk.</source>
        <translation>Die WAV-Datei hat keinen Format-Chunk.</translation>
    </message>
    <message>
        <source>The format chunk of the WAV file runs past the end of the file.</source>
        <translation>Der Format-Chunk der WAV-Datei reicht über das Ende der Datei hinaus.</translation>
    </message>
    <message>
        <source>The WAV file has no audio data chunk.</source>
        <translation>Die WAV-Datei hat keinen Audiodaten-Chunk.</translation>
    </message>
    <message>
        <source>The length of the audio data in the WAV file was never recorded; the file may be unfinished.</source>
        <translation>Die Länge der Audiodaten wurde in der WAV-Datei nie eingetragen; die Datei ist vielleicht unvollständig.</translation>
    </message>
    <message>
        <source>The audio data of the WAV file runs past the end of the file.</source>
        <translation>Die Audiodaten der WAV-Datei reichen über das Ende der Datei hinaus.</translation>
    </message>
    <message>
        <source>The ID3 tag would be too large for its header.</source>
        <translation>Das ID3-Tag wäre zu groß für seinen Header.</translation>
    </message>
    <message>
        <source>The tagged file would reach 4 GiB, more than a WAV file can hold.</source>
        <translation>Mit den Tags würde die Datei 4 GiB erreichen, mehr als eine WAV-Datei fassen kann.</translation>
    </message>
</context>
<context>
    <name>quirella</name>
    <message>
        <source>Usage: quirella [FOLDER...]

Opens the Quirella Tag-Editor window. Each FOLDER is loaded as if it had been
dropped on the window, in order; when the window is open already, the folders
are handed to it and this launch ends.

  --help     show this help and exit
  --version  show the version and exit
  --         every argument after it is a folder
</source>
        <translation>Aufruf: quirella [ORDNER...]

Öffnet das Fenster von Quirella Tag-Editor. Jeder ORDNER wird der Reihe nach geladen,
als wäre er auf das Fenster gezogen worden; ist das Fenster schon offen, werden ihm
die Ordner übergeben und dieser Start endet.

  --help     diese Hilfe zeigen und beenden
  --version  die Version zeigen und beenden
  --         jedes folgende Argument ist ein Ordner
</translation>
    </message>
</context>
<context>
    <name>quirella::ContentViewModel</name>
    <message>
        <source>Error deleting file: %1</source>
        <translation>Fehler beim Löschen der Datei: %1</translation>
    </message>
    <message>
        <source>Error loading folder: %1</source>
        <translation>Fehler beim Laden des Ordners: %1</translation>
    </message>
    <message>
        <source>An unknown error occurred.</source>
        <translation>Ein unbekannter Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>The operation was cancelled.</source>
        <translation>Der Vorgang wurde abgebrochen.</translation>
    </message>
    <message>
        <source>Error: The selected path is not a valid folder</source>
        <translation>Fehler: Der gewählte Pfad ist kein gültiger Ordner</translation>
    </message>
    <message>
        <source>No music files found!

Please make sure the folder contains music files with supported extensions:
MP3, WAV, M4A, FLAC, AIFF, AIF, OGG, OGA, OPUS</source>
        <translation>Keine Musikdateien gefunden!

Bitte stellen Sie sicher, dass der Ordner Musikdateien mit unterstützten Endungen enthält:
MP3, WAV, M4A, FLAC, AIFF, AIF, OGG, OGA, OPUS</translation>
    </message>
    <message numerus="yes">
        <source>⚠️ Too many songs detected!

Found: %n songs
Maximum allowed: %1 songs

Please select a smaller folder or organize your music in subfolders with less than %1 songs each.</source>
        <translation>
            <numerusform>⚠️ Zu viele Songs gefunden!

Gefunden: %n Song
Höchstens erlaubt: %1 Songs

Bitte wählen Sie einen kleineren Ordner oder verteilen Sie Ihre Musik auf Unterordner mit jeweils weniger als %1 Songs.</numerusform>
            <numerusform>⚠️ Zu viele Songs gefunden!

Gefunden: %n Songs
Höchstens erlaubt: %1 Songs

Bitte wählen Sie einen kleineren Ordner oder verteilen Sie Ihre Musik auf Unterordner mit jeweils weniger als %1 Songs.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Processing %n songs...</source>
        <translation>
            <numerusform>%n Song wird verarbeitet …</numerusform>
            <numerusform>%n Songs werden verarbeitet …</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Error processing music files!

Could not read metadata from any of the %n files found.
The files might be corrupted or in an unsupported format.</source>
        <translation>
            <numerusform>Fehler beim Verarbeiten der Musikdateien!

Aus der gefundenen Datei konnten keine Metadaten gelesen werden.
Die Datei ist vielleicht beschädigt oder hat ein nicht unterstütztes Format.</numerusform>
            <numerusform>Fehler beim Verarbeiten der Musikdateien!

Aus keiner der %n gefundenen Dateien konnten Metadaten gelesen werden.
Die Dateien sind vielleicht beschädigt oder haben ein nicht unterstütztes Format.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠️ Loaded %1 of %n songs. Some files could not be read.</source>
        <translation>
            <numerusform>⚠️ %1 von %n Song geladen. Einige Dateien konnten nicht gelesen werden.</numerusform>
            <numerusform>⚠️ %1 von %n Songs geladen. Einige Dateien konnten nicht gelesen werden.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠️ Too many songs detected!

Found: %n songs
Maximum allowed: %1 songs

Please select a smaller folder, or raise “Largest folder” under Preferences in the menu (F10); quirella-cli takes --max-songs N.</source>
        <translation>
            <numerusform>⚠️ Zu viele Songs gefunden!

Gefunden: %n Song
Höchstens erlaubt: %1 Songs

Bitte wählen Sie einen kleineren Ordner oder erhöhen Sie „Größter Ordner“ unter Einstellungen im Menü (F10); quirella-cli nimmt --max-songs N.</numerusform>
            <numerusform>⚠️ Zu viele Songs gefunden!

Gefunden: %n Songs
Höchstens erlaubt: %1 Songs

Bitte wählen Sie einen kleineren Ordner oder erhöhen Sie „Größter Ordner“ unter Einstellungen im Menü (F10); quirella-cli nimmt --max-songs N.</numerusform>
        </translation>
    </message>
    <message>
        <source>ℹ️ Loading stopped: nothing was loaded.</source>
        <translation>ℹ️ Laden angehalten: Es wurde nichts geladen.</translation>
    </message>
</context>
<context>
    <name>quirella::ui::BulkEditControls</name>
    <message>
        <source>Replace All Titles</source>
        <translation>Alle Titel ersetzen</translation>
    </message>
    <message>
        <source>Clear All Titles</source>
        <translation>Alle Titel leeren</translation>
    </message>
    <message>
        <source>Replace All Artists</source>
        <translation>Alle Interpreten ersetzen</translation>
    </message>
    <message>
        <source>Clear All Artists</source>
        <translation>Alle Interpreten leeren</translation>
    </message>
    <message>
        <source>Replace All Genres</source>
        <translation>Alle Genres ersetzen</translation>
    </message>
    <message>
        <source>Clear All Genres</source>
        <translation>Alle Genres leeren</translation>
    </message>
    <message>
        <source>UPPERCASE</source>
        <translation>GROSSBUCHSTABEN</translation>
    </message>
    <message>
        <source>First Letter</source>
        <translation>Anfangsbuchstaben</translation>
    </message>
    <message>
        <source>Replace All Years</source>
        <translation>Alle Jahre ersetzen</translation>
    </message>
    <message>
        <source>Clear All Years</source>
        <translation>Alle Jahre leeren</translation>
    </message>
    <message>
        <source>Apply Rating to All Songs</source>
        <translation>Bewertung auf alle Songs anwenden</translation>
    </message>
    <message>
        <source>(1 star)</source>
        <translation>(1 Stern)</translation>
    </message>
    <message numerus="yes">
        <source>(%n stars)</source>
        <translation>
            <numerusform>(%n Stern)</numerusform>
            <numerusform>(%n Sterne)</numerusform>
        </translation>
    </message>
    <message>
        <source>Clear All Ratings</source>
        <translation>Alle Bewertungen entfernen</translation>
    </message>
    <message>
        <source>Replace All Albums</source>
        <translation>Alle Alben ersetzen</translation>
    </message>
    <message>
        <source>Clear All Albums</source>
        <translation>Alle Alben leeren</translation>
    </message>
    <message>
        <source>Replace All Album Artists</source>
        <translation>Alle Album-Interpreten ersetzen</translation>
    </message>
    <message>
        <source>Clear All Album Artists</source>
        <translation>Alle Album-Interpreten leeren</translation>
    </message>
    <message>
        <source>Number Tracks</source>
        <translation>Titel nummerieren</translation>
    </message>
</context>
<context>
    <name>quirella::ui::ColumnSelectorDialog</name>
    <message>
        <source>Cover</source>
        <translation>Cover</translation>
    </message>
    <message>
        <source>BPM</source>
        <translation>BPM</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>Rating</source>
        <translation>Bewertung</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Select Visible Columns</source>
        <translation>Sichtbare Spalten wählen</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Album Artist</source>
        <translation>Album-Interpret</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Disc</source>
        <translation>CD</translation>
    </message>
</context>
<context>
    <name>quirella::ui::CoverCommands</name>
    <message>
        <source>Clear All Covers</source>
        <translation>Alle Cover entfernen</translation>
    </message>
</context>
<context>
    <name>quirella::ui::CoverConfirmationOverlay</name>
    <message>
        <source>Confirm Cover Image</source>
        <translation>Cover bestätigen</translation>
    </message>
    <message>
        <source>Apply this image to all songs?</source>
        <translation>Dieses Bild auf alle Songs anwenden?</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
</context>
<context>
    <name>quirella::ui::CoverDropArea</name>
    <message>
        <source>Drag &amp; Drop Cover Image Here</source>
        <translation>Cover hierher ziehen und ablegen</translation>
    </message>
    <message>
        <source>PNG/JPEG • Max 1MB</source>
        <translation>PNG/JPEG • höchstens 1 MB</translation>
    </message>
</context>
<context>
    <name>quirella::ui::CoverPickerDialog</name>
    <message>
        <source>Select Cover Image</source>
        <translation>Cover auswählen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>quirella::ui::CustomWallpaperDropZone</name>
    <message>
        <source>Wallpaper drop zone</source>
        <translation>Ablagefläche für das Hintergrundbild</translation>
    </message>
    <message>
        <source>Drop!</source>
        <translation>Loslassen!</translation>
    </message>
    <message>
        <source>Drop image</source>
        <translation>Bild ablegen</translation>
    </message>
    <message>
        <source>JPEG, PNG, GIF, BMP, TIFF or HEIC, up to 20 MB</source>
        <translation>JPEG, PNG, GIF, BMP, TIFF oder HEIC, bis 20 MB</translation>
    </message>
</context>
<context>
    <name>quirella::ui::DragDropArea</name>
    <message>
        <source>Drag &amp; Drop Your Music Folder Here</source>
        <translation>Ziehen Sie Ihren Musikordner hierher</translation>
    </message>
</context>
<context>
    <name>quirella::ui::EditFieldSheet</name>
    <message>
        <source>Edit Field</source>
        <translation>Feld bearbeiten</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>New value</source>
        <translation>Neuer Wert</translation>
    </message>
</context>
<context>
    <name>quirella::ui::EditingSheet</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>quirella::ui::EnhancedProgressView</name>
    <message>
        <source>Stop Analysis</source>
        <translation>Analyse beenden</translation>
    </message>
    <message>
        <source>%1 / %2 Processed</source>
        <translation>%1 / %2 verarbeitet</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
</context>
<context>
    <name>quirella::ui::GenreEditSheet</name>
    <message>
        <source>Set Genre for All Songs</source>
        <translation>Genre für alle Songs festlegen</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Anwenden</translation>
    </message>
    <message>
        <source>Enter genre name</source>
        <translation>Genre eingeben</translation>
    </message>
</context>
<context>
    <name>quirella::ui::HeaderBar</name>
    <message>
        <source>Quirella Tag-Editor logo</source>
        <translation>Logo von Quirella Tag-Editor</translation>
    </message>
    <message>
        <source>Quirella Tag-Editor</source>
        <translation>Quirella Tag-Editor</translation>
    </message>
    <message>
        <source>Songs</source>
        <translation>Songs</translation>
    </message>
    <message numerus="yes">
        <source>%n songs</source>
        <translation>
            <numerusform>%n Song</numerusform>
            <numerusform>%n Songs</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quirella::ui::KeyboardCommands</name>
    <message>
        <source>Remove Text…</source>
        <translation>Text entfernen …</translation>
    </message>
    <message>
        <source>Replace Text…</source>
        <translation>Text ersetzen …</translation>
    </message>
    <message>
        <source>Set Genre for All Songs…</source>
        <translation>Genre für alle Songs festlegen …</translation>
    </message>
    <message>
        <source>Set Cover…</source>
        <translation>Cover festlegen …</translation>
    </message>
    <message>
        <source>Rename Original Files…</source>
        <translation>Originaldateien umbenennen …</translation>
    </message>
    <message>
        <source>Select Visible Columns…</source>
        <translation>Sichtbare Spalten wählen …</translation>
    </message>
    <message>
        <source>Select Theme…</source>
        <translation>Design wählen …</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Strg+O</translation>
    </message>
    <message>
        <source>Open a folder</source>
        <translation>Einen Ordner öffnen</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Strg+S</translation>
    </message>
    <message>
        <source>Write the tags into the files (WRITE TAGS)</source>
        <translation>Die Tags in die Dateien schreiben (TAGS SCHREIBEN)</translation>
    </message>
    <message>
        <source>Ctrl+Z, Ctrl+Shift+Z</source>
        <translation>Strg+Z, Strg+Umschalt+Z</translation>
    </message>
    <message>
        <source>Undo, redo</source>
        <translation>Rückgängig, wiederholen</translation>
    </message>
    <message>
        <source>F10</source>
        <translation>F10</translation>
    </message>
    <message>
        <source>The menu of every command</source>
        <translation>Das Menü mit allen Befehlen</translation>
    </message>
    <message>
        <source>F1, Ctrl+?</source>
        <translation>F1, Strg+?</translation>
    </message>
    <message>
        <source>This list</source>
        <translation>Diese Liste</translation>
    </message>
    <message>
        <source>Tab, Shift+Tab</source>
        <translation>Tab, Umschalt+Tab</translation>
    </message>
    <message>
        <source>The next or previous button of the sidebar and the header bar</source>
        <translation>Die nächste oder vorige Schaltfläche der Seitenleiste und der Kopfleiste</translation>
    </message>
    <message>
        <source>Up, Down, Page Up, Page Down, Home, End</source>
        <translation>Auf, Ab, Bild auf, Bild ab, Pos1, Ende</translation>
    </message>
    <message>
        <source>Move to a song and select it</source>
        <translation>Zu einem Song gehen und ihn auswählen</translation>
    </message>
    <message>
        <source>Shift with those keys</source>
        <translation>Umschalt mit diesen Tasten</translation>
    </message>
    <message>
        <source>Extend the selection</source>
        <translation>Die Auswahl erweitern</translation>
    </message>
    <message>
        <source>Left, Right</source>
        <translation>Links, Rechts</translation>
    </message>
    <message>
        <source>Move to another cell of the song</source>
        <translation>Zu einer anderen Zelle des Songs gehen</translation>
    </message>
    <message>
        <source>F2, Return</source>
        <translation>F2, Eingabe</translation>
    </message>
    <message>
        <source>Return, Escape (editing)</source>
        <translation>Eingabe, Esc (beim Bearbeiten)</translation>
    </message>
    <message>
        <source>Keep the edit, or cancel it</source>
        <translation>Die Änderung übernehmen oder verwerfen</translation>
    </message>
    <message>
        <source>Tab, Shift+Tab (editing)</source>
        <translation>Tab, Umschalt+Tab (beim Bearbeiten)</translation>
    </message>
    <message>
        <source>Keep the edit and edit the next or previous text cell</source>
        <translation>Die Änderung übernehmen und die nächste oder vorige Textzelle bearbeiten</translation>
    </message>
    <message>
        <source>Up, Down (editing)</source>
        <translation>Auf, Ab (beim Bearbeiten)</translation>
    </message>
    <message>
        <source>Keep the edit and edit the cell above or below</source>
        <translation>Die Änderung übernehmen und die Zelle darüber oder darunter bearbeiten</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Leertaste</translation>
    </message>
    <message>
        <source>Play or pause the song</source>
        <translation>Den Song abspielen oder anhalten</translation>
    </message>
    <message>
        <source>Delete, Shift+Delete</source>
        <translation>Entf, Umschalt+Entf</translation>
    </message>
    <message>
        <source>Move the selected songs to the Trash</source>
        <translation>Die ausgewählten Songs in den Papierkorb verschieben</translation>
    </message>
    <message>
        <source>Ctrl+A</source>
        <translation>Strg+A</translation>
    </message>
    <message>
        <source>Select every song</source>
        <translation>Alle Songs auswählen</translation>
    </message>
    <message>
        <source>Escape</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Clear the selection</source>
        <translation>Die Auswahl aufheben</translation>
    </message>
    <message>
        <source>Ctrl+0 … Ctrl+5</source>
        <translation>Strg+0 … Strg+5</translation>
    </message>
    <message>
        <source>Rate the selected songs (0 clears)</source>
        <translation>Die ausgewählten Songs bewerten (0 entfernt die Bewertung)</translation>
    </message>
    <message>
        <source>Open Folder…</source>
        <translation>Ordner öffnen …</translation>
    </message>
    <message>
        <source>WRITE TAGS</source>
        <translation>TAGS SCHREIBEN</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Online Mode</source>
        <translation>Online-Modus</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Menu (F10)</source>
        <translation>Menü (F10)</translation>
    </message>
    <message>
        <source>Menu</source>
        <translation>Menü</translation>
    </message>
    <message>
        <source>Edit the text cell (title, artist, genre, year, album, track …)</source>
        <translation>Die Textzelle bearbeiten (Titel, Interpret, Genre, Jahr, Album, Nummer …)</translation>
    </message>
    <message>
        <source>Number Tracks</source>
        <translation>Titel nummerieren</translation>
    </message>
    <message>
        <source>Write BPM into tags</source>
        <translation>BPM in Tags schreiben</translation>
    </message>
    <message>
        <source>Tags from File Names…</source>
        <translation>Tags aus Dateinamen …</translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>%1 songs</source>
        <translation>%1 Songs</translation>
    </message>
    <message>
        <source>Largest folder:</source>
        <translation>Größter Ordner:</translation>
    </message>
    <message>
        <source>Folders with more music files are refused. Large folders take more memory and time to load.</source>
        <translation>Ordner mit mehr Musikdateien werden abgelehnt. Große Ordner brauchen mehr Speicher und Zeit zum Laden.</translation>
    </message>
</context>
<context>
    <name>quirella::ui::MainWindow</name>
    <message>
        <source>Quirella Tag-Editor</source>
        <translation>Quirella Tag-Editor</translation>
    </message>
    <message>
        <source>Loading songs...</source>
        <translation>Songs werden geladen …</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
</context>
<context>
    <name>quirella::ui::NetworkModeButton</name>
    <message>
        <source>Online Mode - Click to disable</source>
        <translation>Online-Modus – zum Ausschalten klicken</translation>
    </message>
    <message>
        <source>Offline Mode - Click to enable</source>
        <translation>Offline-Modus – zum Einschalten klicken</translation>
    </message>
</context>
<context>
    <name>quirella::ui::PlayerBar</name>
    <message>
        <source>No Song</source>
        <translation>Kein Song</translation>
    </message>
    <message>
        <source>Unknown Artist</source>
        <translation>Unbekannter Interpret</translation>
    </message>
</context>
<context>
    <name>quirella::ui::PositionBar</name>
    <message>
        <source>Playback position</source>
        <translation>Wiedergabeposition</translation>
    </message>
</context>
<context>
    <name>quirella::ui::RemoveTextSheet</name>
    <message>
        <source>Remove Text from All Songs</source>
        <translation>Text aus allen Songs entfernen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Enter text to remove (separate multiple items with commas)</source>
        <translation>Zu entfernenden Text eingeben (mehrere Einträge durch Kommas trennen)</translation>
    </message>
    <message>
        <source>Text to remove</source>
        <translation>Zu entfernender Text</translation>
    </message>
    <message>
        <source>Replacement text</source>
        <translation>Ersatztext</translation>
    </message>
    <message>
        <source>Replace with (optional)</source>
        <translation>Ersetzen durch (optional)</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
</context>
<context>
    <name>quirella::ui::RemoveTextWindow</name>
    <message>
        <source>Remove Text from All Songs</source>
        <translation>Text aus allen Songs entfernen</translation>
    </message>
    <message>
        <source>Enter terms to search for or copy/paste from songs</source>
        <translation>Suchbegriffe eingeben oder aus Songs kopieren und einfügen</translation>
    </message>
    <message>
        <source>Term %1</source>
        <translation>Begriff %1</translation>
    </message>
    <message>
        <source>Replace with (optional - applies to all terms):</source>
        <translation>Ersetzen durch (optional – gilt für alle Begriffe):</translation>
    </message>
    <message>
        <source>Replacement text</source>
        <translation>Ersatztext</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Clear All Fields</source>
        <translation>Alle Felder leeren</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Anwenden</translation>
    </message>
</context>
<context>
    <name>quirella::ui::RenamePatternSheet</name>
    <message>
        <source>Rename Original Files</source>
        <translation>Originaldateien umbenennen</translation>
    </message>
    <message numerus="yes">
        <source>Choose naming pattern for %n files:</source>
        <translation>
            <numerusform>Namensmuster für %n Datei wählen:</numerusform>
            <numerusform>Namensmuster für %n Dateien wählen:</numerusform>
        </translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Or write a pattern (%title% %artist% %album% %albumartist% %year% %genre% %track% %disc% %bpm%):</source>
        <translation>Oder schreiben Sie ein Muster (%title% %artist% %album% %albumartist% %year% %genre% %track% %disc% %bpm%):</translation>
    </message>
    <message>
        <source>Rename by Pattern</source>
        <translation>Nach Muster umbenennen</translation>
    </message>
    <message>
        <source>Skipped: %1</source>
        <translation>Übersprungen: %1</translation>
    </message>
    <message>
        <source>Current Name</source>
        <translation>Jetziger Name</translation>
    </message>
    <message>
        <source>New Name</source>
        <translation>Neuer Name</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n files get a new name; the others are skipped.</source>
        <translation>
            <numerusform>%1 von %n Datei bekommt einen neuen Namen; die anderen werden übersprungen.</numerusform>
            <numerusform>%1 von %n Dateien bekommen einen neuen Namen; die anderen werden übersprungen.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quirella::ui::ReplaceColumnSheet</name>
    <message>
        <source>Replace All &quot;%1&quot; Values</source>
        <translation>Alle Werte für „%1“ ersetzen</translation>
    </message>
    <message>
        <source>Apply to All</source>
        <translation>Auf alle anwenden</translation>
    </message>
    <message>
        <source>Year (e.g., 2024)</source>
        <translation>Jahr (z. B. 2024)</translation>
    </message>
    <message>
        <source>New value for all songs</source>
        <translation>Neuer Wert für alle Songs</translation>
    </message>
    <message>
        <source>Enter a year between 1900 and 2099</source>
        <translation>Geben Sie ein Jahr zwischen 1900 und 2099 ein</translation>
    </message>
</context>
<context>
    <name>quirella::ui::ReplaceTextSheet</name>
    <message>
        <source>Replace Text in All Songs</source>
        <translation>Text in allen Songs ersetzen</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>From</source>
        <translation>Von</translation>
    </message>
    <message>
        <source>To</source>
        <translation>Nach</translation>
    </message>
</context>
<context>
    <name>quirella::ui::RoundPlayButton</name>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
</context>
<context>
    <name>quirella::ui::SidebarView</name>
    <message>
        <source>Edit Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Edit Rename</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Set Genre</source>
        <translation>Genre festlegen</translation>
    </message>
    <message>
        <source>UPPERCASE</source>
        <translation>GROSSBUCHSTABEN</translation>
    </message>
    <message>
        <source>First Letter</source>
        <translation>Wortanfänge</translation>
    </message>
    <message>
        <source>Characters</source>
        <translation>Zeichen</translation>
    </message>
    <message>
        <source>Search BPM</source>
        <translation>BPM suchen</translation>
    </message>
    <message>
        <source>Clean BPM</source>
        <translation>BPM entfernen</translation>
    </message>
    <message>
        <source>WRITE TAGS</source>
        <translation>TAGS SCHREIBEN</translation>
    </message>
    <message>
        <source>Set Cover</source>
        <translation>Cover festlegen</translation>
    </message>
    <message>
        <source>Rename Original</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Clean</source>
        <translation>Bereinigen</translation>
    </message>
    <message>
        <source>Select Visible Columns</source>
        <translation>Sichtbare Spalten wählen</translation>
    </message>
    <message>
        <source>THEME</source>
        <translation>DESIGN</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wieder</translation>
    </message>
</context>
<context>
    <name>quirella::ui::SimpleVolumeKnob</name>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
</context>
<context>
    <name>quirella::ui::SongTableModel</name>
    <message>
        <source>Play</source>
        <translation>Hören</translation>
    </message>
    <message>
        <source>Cover</source>
        <translation>Cover</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>Rating</source>
        <translation>Bewertung</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>BPM</source>
        <translation>BPM</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Play %1</source>
        <translation>%1 abspielen</translation>
    </message>
    <message>
        <source>Swap Artist ↔ Title of %1</source>
        <translation>Interpret ↔ Titel tauschen bei %1</translation>
    </message>
    <message>
        <source>Cover of %1</source>
        <translation>Cover von %1</translation>
    </message>
    <message>
        <source>No cover for %1</source>
        <translation>Kein Cover für %1</translation>
    </message>
    <message>
        <source>Rating: 1 star</source>
        <translation>Bewertung: 1 Stern</translation>
    </message>
    <message numerus="yes">
        <source>Rating: %n stars</source>
        <translation>
            <numerusform>Bewertung: %n Stern</numerusform>
            <numerusform>Bewertung: %n Sterne</numerusform>
        </translation>
    </message>
    <message>
        <source>Move to Trash: %1</source>
        <translation>In den Papierkorb verschieben: %1</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>empty</source>
        <translation>leer</translation>
    </message>
    <message>
        <source>Swap Artist ↔ Title</source>
        <translation>Interpret ↔ Titel tauschen</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>In den Papierkorb verschieben</translation>
    </message>
    <message>
        <source>Swap</source>
        <translation>Tauschen</translation>
    </message>
    <message>
        <source>Actions</source>
        <translation>Aktionen</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Album Artist</source>
        <translation>Album-Interpret</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Disc</source>
        <translation>CD</translation>
    </message>
</context>
<context>
    <name>quirella::ui::SongTableView</name>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Swap Artist ↔ Title</source>
        <translation>Interpret ↔ Titel tauschen</translation>
    </message>
    <message numerus="yes">
        <source>Delete %n Selected Songs</source>
        <translation>
            <numerusform>%n ausgewählten Song löschen</numerusform>
            <numerusform>%n ausgewählte Songs löschen</numerusform>
        </translation>
    </message>
    <message>
        <source>Delete Song</source>
        <translation>Song löschen</translation>
    </message>
    <message numerus="yes">
        <source>Clear Covers from %n Selected Songs</source>
        <translation>
            <numerusform>Cover von %n ausgewähltem Song entfernen</numerusform>
            <numerusform>Cover von %n ausgewählten Songs entfernen</numerusform>
        </translation>
    </message>
    <message>
        <source>Clear Cover</source>
        <translation>Cover entfernen</translation>
    </message>
    <message>
        <source>Songs</source>
        <translation>Songs</translation>
    </message>
</context>
<context>
    <name>quirella::ui::TagsFromNamesSheet</name>
    <message>
        <source>Tags from File Names</source>
        <translation>Tags aus Dateinamen</translation>
    </message>
    <message>
        <source>Fields: %title% %artist% %album% %albumartist% %year% %genre% %track% %disc% %bpm%, and %ignore% for text to skip. &quot;/&quot; reads the folders above the file.</source>
        <translation>Felder: %title% %artist% %album% %albumartist% %year% %genre% %track% %disc% %bpm%, und %ignore% für zu überspringenden Text. „/“ liest die Ordner über der Datei.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Anwenden</translation>
    </message>
    <message>
        <source>Write a pattern, for example %artist% - %title%.</source>
        <translation>Schreiben Sie ein Muster, zum Beispiel %artist% - %title%.</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>No match: left as it is</source>
        <translation>Passt nicht: bleibt, wie es ist</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n songs match.</source>
        <translation>
            <numerusform>%1 von %n Song passt.</numerusform>
            <numerusform>%1 von %n Songs passen.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quirella::ui::ThemeRowView</name>
    <message>
        <source>Current theme</source>
        <translation>Aktuelles Design</translation>
    </message>
</context>
<context>
    <name>quirella::ui::ThemeSettingsView</name>
    <message>
        <source>Select Theme</source>
        <translation>Design wählen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>quirella::ui::ToolbarWallpaperButton</name>
    <message>
        <source>Clean</source>
        <translation>Bereinigen</translation>
    </message>
    <message>
        <source>Change custom wallpaper</source>
        <translation>Eigenes Hintergrundbild ändern</translation>
    </message>
    <message>
        <source>Set custom wallpaper</source>
        <translation>Eigenes Hintergrundbild festlegen</translation>
    </message>
</context>
<context>
    <name>quirella::ui::WelcomeView</name>
    <message>
        <source>Quirella Tag-Editor logo</source>
        <translation>Logo von Quirella Tag-Editor</translation>
    </message>
    <message>
        <source>Organize your music collection</source>
        <translation>Organisieren Sie Ihre Musiksammlung</translation>
    </message>
    <message>
        <source>Open Folder…</source>
        <translation>Ordner öffnen …</translation>
    </message>
    <message>
        <source>Open Folder… (Ctrl+O)</source>
        <translation>Ordner öffnen … (Strg+O)</translation>
    </message>
    <message>
        <source>Note: This app works on your &lt;b&gt;original files&lt;/b&gt;. Keep a backup if needed.</source>
        <translation>Hinweis: Diese App arbeitet mit Ihren &lt;b&gt;Originaldateien&lt;/b&gt;. Legen Sie bei Bedarf eine Sicherung an.</translation>
    </message>
    <message>
        <source>Features: tag editing • cover art • ratings • BPM detection • file renaming</source>
        <translation>Funktionen: Tags bearbeiten • Cover • Bewertungen • BPM-Erkennung • Dateien umbenennen</translation>
    </message>
    <message>
        <source>Supported: MP3, M4A, WAV, AIFF, FLAC, Ogg Vorbis, Opus</source>
        <translation>Unterstützt: MP3, M4A, WAV, AIFF, FLAC, Ogg Vorbis, Opus</translation>
    </message>
</context>
</TS>
