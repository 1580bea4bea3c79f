"""Audio files as other programs leave them, and what mutagen reads from them.

tag_files.py make KIND FILE   changes FILE (made by ffmpeg) in place; makes a DSF or DSDIFF file
tag_files.py dump FILE        prints "<tag> <field>=<value>" lines, sorted
tag_files.py items FILE       prints every item mutagen reads, one line each, sorted
"""
import base64
import hashlib
import struct
import sys

import mutagen
from mutagen.apev2 import APEv2, APENoHeaderError
from mutagen.flac import Picture
from mutagen.id3 import COMM, ID3, ID3NoHeaderError, TALB, TIT2, TPE1, TYER
from mutagen.mp4 import MP4, MP4FreeForm


def synchsafe(n):
    return bytes([(n >> 21) & 127, (n >> 14) & 127, (n >> 7) & 127, n & 127])


def v23_frame(fid, data):
    return fid + struct.pack('>I', len(data)) + b'\0\0' + data


def v23_tag(frames, padding=b'\0' * 64):
    body = b''.join(frames) + padding
    return b'ID3\x03\0\0' + synchsafe(len(body)) + body


def put_tags(path, tags):
    """Tags written byte for byte, in place of the ID3v2 tag ffmpeg wrote."""
    data = open(path, 'rb').read()
    if data[:3] == b'ID3':
        size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
        data = data[10 + size:]
    open(path, 'wb').write(tags + data)


def put_v23_tag(path, frames):
    put_tags(path, v23_tag(v23_frame(fid, value) for fid, value in frames))


OLD_FIELDS = [(b'TIT2', b'\0Old Title'), (b'TPE1', b'\0Old Artist'), (b'TALB', b'\0Old Album')]


def dsd_chunk(cid, body):
    return cid + struct.pack('>Q', len(body)) + body + (b'\0' if len(body) & 1 else b'')


def make_dsd(kind, path):
    """A DSF or DSDIFF file of a short sound (no program here writes them), tagged by mutagen."""
    sound = b'\x69' * (2 * 4096 * 8)
    if kind == 'dsf':
        fmt = b'fmt ' + struct.pack('<QIIIIIIQII', 52, 1, 0, 2, 2, 2822400, 1, 4096 * 8 * 8, 4096, 0)
        data = b'data' + struct.pack('<Q', 12 + len(sound)) + sound
        open(path, 'wb').write(b'DSD ' + struct.pack('<QQQ', 28, 28 + len(fmt) + len(data), 0) + fmt + data)
    else:
        prop = (b'SND ' + dsd_chunk(b'FS  ', struct.pack('>I', 2822400)) +
                dsd_chunk(b'CHNL', struct.pack('>H', 2) + b'SLFTSRGT') + dsd_chunk(b'CMPR', b'DSD \x0enot compressed\0'))
        body = (b'DSD ' + dsd_chunk(b'FVER', struct.pack('>I', 0x01050000)) + dsd_chunk(b'PROP', prop) +
                dsd_chunk(b'DSD ', sound))
        open(path, 'wb').write(b'FRM8' + struct.pack('>Q', len(body)) + body)
    audio = mutagen.File(path)
    audio.add_tags()
    for frame, text in ((TIT2, 'Old Title'), (TPE1, 'Old Artist'), (TALB, 'Old Album')):
        audio.tags.add(frame(encoding=3, text=text))
    audio.save()


def make(kind, path):
    if kind == 'v24-tyer':  # as iTunes 4.6 wrote: TYER inside a v2.4 tag
        try:
            tag = ID3(path)
        except ID3NoHeaderError:
            tag = ID3()
        tag.delall('TDRC')
        tag.add(TYER(encoding=0, text='2004'))
        tag.save(path, v2_version=4)
    elif kind == 'twice-tpe1':
        put_v23_tag(path, [(b'TIT2', b'\0Old Title'), (b'TPE1', b'\0Old Artist'), (b'TPE1', b'\0Other Artist'),
                           (b'TALB', b'\0Old Album'), (b'TYER', b'\x002004')])
    elif kind == 'ape-beside-id3':
        ape = APEv2()
        ape.update({'Title': 'Old Title', 'Artist': 'Old Artist', 'Year': '2004'})
        ape.save(path)
    elif kind == 'empty-popm':  # TagLib reads no frame after an empty one; RVAD it reads but leaves out
        put_v23_tag(path, [(b'TIT2', b'\0Old Title'), (b'TPE1', b'\0Old Artist'), (b'TALB', b'\0Old Album'),
                           (b'RVAD', b'\x03\x10' + b'\x01\x00' * 4), (b'POPM', b''), (b'TCOM', b'\0Composer X')])
    elif kind == 'zero-data':  # a recorder that never wrote the data chunk's size
        data = bytearray(open(path, 'rb').read())
        at = data.find(b'data')
        data[at + 4:at + 8] = b'\0\0\0\0'
        open(path, 'wb').write(bytes(data))
    elif kind == 'cut-sound':  # an AIFF cut short: its sound chunk claims more than is left
        data = bytearray(open(path, 'rb').read())
        at = data.find(b'SSND')
        size = struct.unpack('>I', data[at + 4:at + 8])[0]
        data[at + 4:at + 8] = struct.pack('>I', size + 100000)
        open(path, 'wb').write(bytes(data))
    elif kind == 'colon-name':  # a freeform MP4 item whose name holds ':'
        tag = MP4(path)
        tag['----:com.apple.iTunes:COMPOSER:ORIGINAL'] = [MP4FreeForm(b'Composer X')]
        tag.save()
    elif kind == 'id3-before-ape':  # the ID3v2 tag some tools put at an APE file's start
        ape = APEv2()
        ape.update({'Title': 'Old Title', 'Artist': 'Old Artist'})
        ape.save(path)
        tag = ID3()
        tag.add(TIT2(encoding=3, text='Old Title'))
        tag.add(TYER(encoding=0, text='2004'))
        tag.save(path, v2_version=3)
    elif kind in ('empty-popm-first', 'empty-tyer-first'):  # TagLib reads nothing of the tag
        empty = b'POPM' if kind == 'empty-popm-first' else b'TYER'
        put_v23_tag(path, [(empty, b'')] + OLD_FIELDS + [(b'TCOM', b'\0Composer X')])
    elif kind == 'popm-beyond':  # a frame whose size runs past its tag: mutagen reads it in part
        frames = [v23_frame(fid, value) for fid, value in OLD_FIELDS]
        put_tags(path, v23_tag(frames + [b'POPM' + struct.pack('>I', 5000) + b'\0\0a@b\0\x80'], b''))
    elif kind == 'junk-frame':  # bytes of no frame name between frames, which readers step over
        put_v23_tag(path, OLD_FIELDS + [(b'ext ', b'\x01\x02\x03\x04'), (b'TCOM', b'\0Composer X')])
    elif kind == 'two-id3v2':  # two tags in a row, the album in the second (ffmpeg reads both)
        put_tags(path, v23_tag([v23_frame(*OLD_FIELDS[0]), v23_frame(*OLD_FIELDS[1])], b'\0' * 16) +
                 v23_tag([v23_frame(*OLD_FIELDS[2])], b'\0' * 16))
    elif kind == 'itunnorm':  # iTunes' loudness data in a comment frame with a description
        tag = ID3(path)
        tag.add(COMM(encoding=0, lang='eng', desc='iTunNORM',
                     text=' 00000A2B 00000A2B 00003C2F 00003C2F 00000000 00000000 00008000 00008000 00000000 00000000'))
        tag.save(path, v2_version=3)
    elif kind == 'zero-block':  # a FLAC metadata block of no length (TagLib gives up on the file)
        data = open(path, 'rb').read()
        at = 4 + 4 + 34  # after fLaC and the stream info
        open(path, 'wb').write(data[:at] + b'\x02\0\0\0' + data[at:])
    elif kind in ('dsf', 'dsdiff'):
        make_dsd(kind, path)
    else:
        sys.exit('unknown kind ' + kind)


ID3_FIELDS = {'TIT2': 'title', 'TPE1': 'artist', 'TALB': 'album', 'TDRC': 'year', 'TYER': 'year',
              'TRCK': 'track', 'TCON': 'genre', 'TCOM': 'composer'}
APE_FIELDS = {'title': 'title', 'artist': 'artist', 'album': 'album', 'year': 'year', 'track': 'track',
              'genre': 'genre', 'comment': 'comment', 'lyrics': 'lyrics'}
XIPH_FIELDS = {'title': 'title', 'artist': 'artist', 'album': 'album', 'date': 'year', 'tracknumber': 'track',
               'genre': 'genre', 'comment': 'comment', 'description': 'comment', 'lyrics': 'lyrics'}
MP4_FIELDS = {'\xa9nam': 'title', '\xa9ART': 'artist', '\xa9alb': 'album', '\xa9day': 'year', '\xa9gen': 'genre',
              '\xa9cmt': 'comment', '\xa9lyr': 'lyrics'}


def md5(data):
    return 'md5:' + hashlib.md5(data).hexdigest()


def id3_lines(tag, out):
    for frame in tag.values():
        fid = frame.FrameID
        if fid in ID3_FIELDS:
            out.append(('id3', ID3_FIELDS[fid], '/'.join(str(t) for t in frame.text)))
        elif fid == 'COMM' and frame.desc == '':
            out.append(('id3', 'comment', '/'.join(frame.text)))
        elif fid == 'USLT':
            out.append(('id3', 'lyrics', frame.text))
        elif fid == 'APIC' and frame.type == 3:
            out.append(('id3', 'cover', md5(frame.data)))


def ape_lines(tag, out):
    for key, value in tag.items():
        if key.lower() == 'cover art (front)':
            out.append(('ape', 'cover', md5(value.value.split(b'\0', 1)[1])))
        elif key.lower() in APE_FIELDS:
            out.append(('ape', APE_FIELDS[key.lower()], str(value)))


def dump(path):
    out = []
    try:
        audio = mutagen.File(path)
    except mutagen.MutagenError:  # an APE file that starts with ID3v2 looks like an MP3
        audio = None
    tags = audio.tags if audio is not None else None
    if isinstance(tags, ID3):
        id3_lines(tags, out)
        try:  # v2.3's RVAD, which mutagen drops when it translates; an MP3's tag only
            volume = ID3(path, translate=False).get('RVAD')
        except ID3NoHeaderError:
            volume = None
        if volume is not None:
            out.append(('id3', 'volume', '/'.join(str(v) for v in volume.adjustments)))
    elif isinstance(tags, APEv2):
        ape_lines(tags, out)
    elif isinstance(audio, MP4):
        for key, values in (tags or {}).items():
            if key in MP4_FIELDS:
                out.extend(('mp4', MP4_FIELDS[key], str(v)) for v in values)
            elif key == 'trkn':
                out.extend(('mp4', 'track', str(v[0])) for v in values)
            elif key == 'covr':
                out.extend(('mp4', 'cover', md5(bytes(v))) for v in values)
            elif key.startswith('----') and 'COMPOSER' in key:
                out.extend(('mp4', 'composer', bytes(v).decode()) for v in values)
    elif tags is not None:  # Vorbis comments: Ogg and FLAC
        for key, value in tags.items() if isinstance(tags, dict) else tags:
            if key.lower() in XIPH_FIELDS:
                out.append(('xiph', XIPH_FIELDS[key.lower()], value))
            elif key.lower() == 'metadata_block_picture':
                out.append(('xiph', 'cover', md5(Picture(base64.b64decode(value)).data)))
        for picture in getattr(audio, 'pictures', []):
            out.append(('xiph', 'cover', md5(picture.data)))
    # Tags mutagen reads beside those of the file's kind: an ID3v2 tag at the
    # start of a file of another kind, an APEv2 tag in an MP3.
    if not isinstance(tags, ID3):
        try:
            id3_lines(ID3(path), out)
        except ID3NoHeaderError:
            pass
    if not isinstance(tags, APEv2):
        try:
            ape_lines(APEv2(path), out)
        except APENoHeaderError:
            pass
    for line in sorted('%s %s=%s' % entry for entry in out):
        print(line)


ROW_FRAMES = {'TIT2', 'TPE1', 'TALB', 'TCON', 'TRCK', 'TDRC', 'TYER', 'USLT'}


def items(path):
    """The fields a save writes by their text; every other item whole (an ID3v2 frame with its encoding)."""
    audio = mutagen.File(path)
    out = []
    for frame in (audio.tags or {}).values() if isinstance(audio.tags, ID3) else []:
        field = frame.FrameID in ROW_FRAMES or (frame.FrameID == 'COMM' and frame.desc == '')
        out.append('%s %s' % (frame.HashKey, frame.pprint() if field else repr(frame)))
    if audio.tags is not None and not isinstance(audio.tags, ID3):
        out.extend('%s %r' % (key, value) for key, value in audio.tags.items())
    for line in sorted(out):
        print(line)


if __name__ == '__main__':
    {'make': lambda: make(sys.argv[2], sys.argv[3]), 'dump': lambda: dump(sys.argv[2]),
     'items': lambda: items(sys.argv[2])}[sys.argv[1]]()
