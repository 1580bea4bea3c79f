"""Audio files as other programs leave them, and what mutagen reads from them.

tag_files.py make KIND FILE        changes FILE (made by ffmpeg) in place; makes a
                                   DSF or DSDIFF file
tag_files.py dump FILE             prints "<tag> <field>=<value>" lines, sorted
tag_files.py items FILE [FIELDS]   prints every item of every tag of FILE as
                                   stored, but those of the comma-separated
                                   row FIELDS (title, ..., cover), sorted
tag_files.py index FILE            prints the name of the atom each entry of an
                                   MP4 file's fragment index points at
"""
import base64
import functools
import hashlib
import struct
import subprocess
import sys

import mutagen
import mutagen.mp3
from mutagen.aiff import AIFF
from mutagen.apev2 import APEv2, APENoHeaderError
from mutagen.asf import ASF
from mutagen.flac import FLAC, Picture
from mutagen.id3 import (APIC, COMM, ID3, ID3NoHeaderError, PRIV, RVA2, TALB, TIT2, TPE1, TSOP, TXXX, TYER, USLT)
from mutagen.id3._id3v1 import MakeID3v1, find_id3v1
from mutagen.id3._tags import ID3SaveConfig
from mutagen.mp4 import MP4, MP4Cover, MP4FreeForm
from mutagen.oggvorbis import OggVorbis
from mutagen.wave import WAVE


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


MP4_CONTAINERS = (b'moov', b'trak', b'mdia', b'minf', b'stbl', b'udta', b'meta', b'ilst', b'mfra')


def mp4_atoms_in(data, at, end):
    """(name, offset, size, end of its parent) of every atom from at to end, those in containers too."""
    while at + 8 <= end:
        size, name = struct.unpack('>I4s', data[at:at + 8])
        if size < 8:
            return
        yield name, at, size, end
        if name in MP4_CONTAINERS:
            yield from mp4_atoms_in(data, at + (12 if name == b'meta' else 8), at + size)
        at += size


def riff_chunks(data):
    at = 12
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack('<I', data[at + 4:at + 8])[0]
        yield cid, data[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)


def riff_chunk(cid, body):
    return cid + struct.pack('<I', len(body)) + body + (b'\0' if len(body) & 1 else b'')


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


@functools.lru_cache
def picture(codec):
    """A picture of 16x16 pixels as ffmpeg writes it: 'png' red, 'mjpeg' blue."""
    colour = 'red' if codec == 'png' else 'blue'
    return subprocess.run(['ffmpeg', '-v', 'error', '-f', 'lavfi', '-i', 'color=c=%s:s=16x16' % colour, '-frames:v', '1',
                           '-c:v', codec, '-f', 'image2pipe', '-'], check=True, capture_output=True).stdout


def flac_picture(kind, codec, desc):
    block = Picture()
    block.type, block.desc, block.data = kind, desc, picture(codec)
    block.mime = 'image/png' if codec == 'png' else 'image/jpeg'
    return block


def picard_frames(version):
    """What MusicBrainz Picard and a ReplayGain scanner leave in an MP3's tag."""
    frames = [TIT2(encoding=1, text='Old Title'), TPE1(encoding=1, text='Old Artist'),
              TSOP(encoding=1, text='Artist, Old'), TYER(encoding=0, text='2004'),
              TXXX(encoding=1, desc='MusicBrainz Album Type', text=['album', 'live']),
              RVA2(desc='track', channel=1, gain=-6.5, peak=0.98), RVA2(desc='album', channel=1, gain=-7.25, peak=1.0),
              USLT(encoding=1, lang='eng', desc="Sinner's Prayer", text='Old words'),
              COMM(encoding=0, lang='eng', desc='iTunNORM', text=' 000003E8 00000000 00001234 00000000'),
              APIC(encoding=0, mime='image/png', type=3, desc='', data=picture('png')),
              APIC(encoding=0, mime='image/jpeg', type=4, desc='Back', data=picture('mjpeg')),
              PRIV(owner='WM/MediaClassPrimaryID', data=b'')]
    if version == 3:
        return [(f.FrameID.encode(), f._writeData(ID3SaveConfig(3))) for f in frames]
    return frames


def make(kind, path):
    if kind == 'picard-v23':  # frames of v2.4 (RVA2, TSOP) in a v2.3 tag, written byte for byte
        put_v23_tag(path, [(b'TALB', b'\0Old Album')] + picard_frames(3))
    elif kind == 'picard-v24':
        tag = ID3(path)
        for frame in picard_frames(4):
            tag.add(frame)
        tag.save(path, v2_version=4)
    elif kind == 'flac-picard':  # two pictures, an empty comment, an ID3v1 block a ripper put after
        tag = FLAC(path)
        tag.add_picture(flac_picture(3, 'png', ''))
        tag.add_picture(flac_picture(4, 'mjpeg', 'Back'))
        tag['RELEASETYPE'] = ''
        tag['ARTISTS'] = ['Old Artist', 'Guest']
        tag.save()
        v1 = ID3()
        v1.add(TIT2(encoding=0, text='Old Title'))
        v1.add(TPE1(encoding=0, text='Old Artist'))
        with open(path, 'ab') as f:
            f.write(MakeID3v1(v1))
    elif kind == 'ogg-two-pictures':
        tag = OggVorbis(path)
        tag['METADATA_BLOCK_PICTURE'] = [base64.b64encode(flac_picture(3, 'png', '').write()).decode(),
                                         base64.b64encode(flac_picture(4, 'mjpeg', 'Back').write()).decode()]
        tag['RELEASETYPE'] = ''
        tag.save()
    elif kind == 'm4a-itunes':  # as iTunes leaves a bought song: two covers, stik of 2 bytes, hdvd 2
        tag = MP4(path)
        tag['covr'] = [MP4Cover(picture('png'), MP4Cover.FORMAT_PNG), MP4Cover(picture('mjpeg'), MP4Cover.FORMAT_JPEG)]
        tag['tmpo'] = [1]  # renamed below: stik as iTunes writes it, in 2 bytes
        tag['hdvd'] = [2]
        tag['----:com.apple.iTunes:COMPOSER:ORIGINAL'] = [MP4FreeForm(b'Composer X')]
        tag.save()
        data = open(path, 'rb').read()
        open(path, 'wb').write(data.replace(b'tmpo', b'stik', 1))
    elif kind == 'ape-year-date':  # a tagger that writes DATE beside YEAR
        try:
            ape = APEv2(path)
        except APENoHeaderError:
            ape = APEv2()
        ape.update({'Title': 'Old Title', 'Artist': 'Old Artist', 'Album': 'Old Album', 'Year': '2004',
                    'Date': '2004'})
        ape.save(path)
    elif kind == 'wma-multi':  # multi-valued attributes, as Picard writes them
        tag = ASF(path)
        tag['WM/ARTISTS'] = ['Old Artist', 'Guest']
        tag['MusicBrainz/Artist Id'] = ['0a1b', '2c3d']
        tag['WM/Composer'] = ['Composer X', 'Composer Y']
        tag.save()
        # mutagen leaves the file size its header states as it was: set as players read it.
        data = bytearray(open(path, 'rb').read())
        at = data.find(bytes.fromhex('A1DCAB8C47A9CF118EE400C00C205365')) + 40
        data[at:at + 8] = struct.pack('<Q', len(data))
        open(path, 'wb').write(bytes(data))
    elif kind == 'ape-size-beyond-items':  # an APEv2 tag that states more bytes than its items take
        data = bytearray(open(path, 'rb').read())
        for at in (data.find(b'APETAGEX'), data.rfind(b'APETAGEX')):
            size = struct.unpack('<I', data[at + 12:at + 16])[0]
            data[at + 12:at + 16] = struct.pack('<I', size + 16)
        open(path, 'wb').write(bytes(data))
    elif kind == 'id3v1-only':  # an old rip: an ID3v1 block and no ID3v2 tag
        v1 = ID3()
        for frame in (TIT2(encoding=0, text='Old Title'), TPE1(encoding=0, text='Old Artist'),
                      TALB(encoding=0, text='Old Album')):
            v1.add(frame)
        with open(path, 'ab') as f:
            f.write(MakeID3v1(v1))
    elif kind == 'v24-tyer':  # as iTunes 4.6 wrote: TYER inside a v2.4 tag
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
    elif kind.startswith('atom-'):  # an atom of an MP4 tag's path of size 0, past its parent, or one byte more
        _, name, damage = kind.split('-')
        data = bytearray(open(path, 'rb').read())
        at, size, end = next((a, s, e) for n, a, s, e in mp4_atoms_in(data, 0, len(data)) if n == name.encode())
        data[at:at + 4] = struct.pack('>I', {'zero': 0, 'past': end - at + 64, 'plus1': size + 1}[damage])
        open(path, 'wb').write(bytes(data))
    elif kind == 'odd-chunk':  # an AIFF whose last chunk has an odd size and no pad byte
        data = bytearray(open(path, 'rb').read()) + b'APPL' + struct.pack('>I', 5) + b'vxm\0\1'
        data[4:8] = struct.pack('>I', len(data) - 8)
        open(path, 'wb').write(bytes(data))
    elif kind == 'no-comment':  # a FLAC file whose Vorbis comment block was taken out
        data = open(path, 'rb').read()
        at, blocks, last = 4, [], False
        while not last:
            last, size = data[at] & 0x80, int.from_bytes(data[at + 1:at + 4], 'big')
            if data[at] & 0x7F != 4:
                blocks.append(bytearray(data[at:at + 4 + size]))
            at += 4 + size
        for i, block in enumerate(blocks):
            block[0] = (block[0] & 0x7F) | (0x80 if i == len(blocks) - 1 else 0)
        open(path, 'wb').write(b'fLaC' + b''.join(blocks) + data[at:])
    elif kind == 'cut-asf':  # a download cut short after half its data packets
        data = open(path, 'rb').read()
        properties = data.find(bytes.fromhex('A1DCAB8C47A9CF118EE400C00C205365'))
        packets = struct.unpack('<Q', data[properties + 56:properties + 64])[0]
        packet = struct.unpack('<I', data[properties + 92:properties + 96])[0]
        open(path, 'wb').write(data[:struct.unpack('<Q', data[16:24])[0] + 50 + packets // 2 * packet])
    elif kind == 'empty':
        open(path, 'wb').close()
    elif kind == 'bwf-v23':  # a v2.3 ID3 chunk with TRCK 1/12, the date in the INFO list only (as ffmpeg reads it)
        data = open(path, 'rb').read()
        body = b'WAVE'
        for cid, chunk in riff_chunks(data):
            if cid == b'LIST' and chunk[:4] == b'INFO':
                chunk += riff_chunk(b'ICRD', b'2022\0')
            body += riff_chunk(cid, chunk)
        frames = OLD_FIELDS + [(b'TRCK', b'\x001/12')]
        body += riff_chunk(b'id3 ', v23_tag(v23_frame(fid, value) for fid, value in frames))
        open(path, 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
    elif kind in ('dsf', 'dsdiff'):
        make_dsd(kind, path)
    else:
        sys.exit('unknown kind ' + kind)


ID3_FIELDS = {'TIT2': 'title', 'TPE1': 'artist', 'TALB': 'album', 'TDRC': 'year', 'TYER': 'year',
              'TRCK': 'track', 'TCON': 'genre', 'TCOM': 'composer'}
APE_FIELDS = {'title': 'title', 'artist': 'artist', 'album': 'album', 'year': 'year', 'date': 'year', 'track': 'track',
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


ID3V1_FIELDS = {'TIT2': 'title', 'TPE1': 'artist', 'TALB': 'album', 'TDRC': 'year', 'COMM': 'comment', 'TRCK': 'track',
                'TCON': 'genre'}


def id3v1(path):
    """The frames of the file's ID3v1 tag as mutagen finds it (not the "TAG" of an APEv2 footer)."""
    with open(path, 'rb') as f:
        frames = find_id3v1(f)[0]
    return list(frames.values()) if frames else []


def id3v1_lines(path, out):
    for frame in id3v1(path):
        field = ID3V1_FIELDS[frame.FrameID]
        out.append(('id3v1', field, frame.genres[0] if field == 'genre' else str(frame)))


def dump(path):
    out = []
    try:
        audio = mutagen.File(path)
    except mutagen.MutagenError:  # an APE file that starts with ID3v2 looks like an MP3
        audio = None
    tags = audio.tags if audio is not None else None
    if isinstance(tags, ID3):
        if isinstance(audio, mutagen.mp3.MP3):  # its ID3v2 tag alone: ID3v1 is read below
            tags = ID3(path, load_v1=False) if open(path, 'rb').read(3) == b'ID3' else ID3()
        id3_lines(tags, out)
        try:  # v2.3's RVAD, which mutagen drops when it translates; an MP3's tag only
            volume = ID3(path, translate=False, load_v1=False).get('RVAD')
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
                out.extend(('mp4', 'track', '%d/%d' % v if v[1] else str(v[0])) for v in values)
            elif key == 'covr':  # the first picture is the cover
                out.append(('mp4', 'cover', md5(bytes(values[0]))))
            elif key.startswith('----') and 'COMPOSER' in key:
                out.extend(('mp4', 'composer', bytes(v).decode()) for v in values)
    elif isinstance(audio, ASF):
        for name, value in tags:
            if name.lower() in ASF_ITEM_FIELDS:
                out.append(('asf', ASF_ITEM_FIELDS[name.lower()], str(value)))
            elif name == 'WM/Picture' and value.value[0] == 3:
                size = struct.unpack('<I', value.value[1:5])[0]
                out.append(('asf', 'cover', md5(value.value[-size:])))
    elif tags is not None:  # Vorbis comments: Ogg and FLAC
        for key, value in tags.items() if isinstance(tags, dict) else tags:
            if key.lower() in XIPH_FIELDS:
                out.append(('xiph', XIPH_FIELDS[key.lower()], value))
            elif key.lower() == 'metadata_block_picture' and Picture(base64.b64decode(value)).type == 3:
                out.append(('xiph', 'cover', md5(Picture(base64.b64decode(value)).data)))
        for block in getattr(audio, 'pictures', []):
            if block.type == 3:
                out.append(('xiph', 'cover', md5(block.data)))
    # Tags mutagen reads beside those of the file's kind: an ID3v2 tag at the
    # start of a file of another kind, an APEv2 tag in an MP3, an ID3v1 tag at the end.
    if not isinstance(tags, ID3):
        try:
            id3_lines(ID3(path, load_v1=False), out)
        except ID3NoHeaderError:
            pass
    if not isinstance(tags, APEv2):
        try:
            ape_lines(APEv2(path), out)
        except APENoHeaderError:
            pass
    id3v1_lines(path, out)
    data = open(path, 'rb').read()
    if data[:4] == b'FORM':
        out.extend(('aiff', AIFF_ITEM_FIELDS[cid], value.rstrip(b'\0').decode('utf-8', 'replace')) for cid, value in riff_texts(data))
    # Each line once: a muxer may write a value twice (an ASF title in two objects).
    for line in sorted(set('%s %s=%s' % entry for entry in out)):
        print(line)


# The row field each item holds, by tag: the items a save of that field may change.
ID3_ITEM_FIELDS = {'TIT2': 'title', 'TT2': 'title', 'TPE1': 'artist', 'TP1': 'artist', 'TALB': 'album',
                   'TAL': 'album', 'TCON': 'genre', 'TCO': 'genre', 'TRCK': 'track', 'TRK': 'track',
                   'USLT': 'lyrics', 'ULT': 'lyrics'}
ID3_DATES = ('TDRC', 'TYER', 'TDAT', 'TIME', 'TRDA', 'TYE', 'TDA', 'TIM', 'TRD')
APE_ITEM_FIELDS = dict(APE_FIELDS, **{'cover art (front)': 'cover'})
XIPH_ITEM_FIELDS = dict(XIPH_FIELDS, year='year', coverart='cover')
MP4_ITEM_FIELDS = dict(MP4_FIELDS, trkn='track', gnre='genre')
ASF_ITEM_FIELDS = {'title': 'title', 'author': 'artist', 'wm/albumtitle': 'album', 'wm/genre': 'genre',
                   'wm/genreid': 'genre', 'description': 'comment', 'wm/year': 'year', 'wm/tracknumber': 'track',
                   'wm/track': 'track', 'wm/lyrics': 'lyrics'}
AIFF_ITEM_FIELDS = {b'NAME': 'title', b'AUTH': 'artist', b'ANNO': 'comment'}
INFO_ITEM_FIELDS = {b'INAM': 'title', b'IART': 'artist', b'IPRD': 'album', b'ICMT': 'comment', b'IGNR': 'genre',
                    b'ICRD': 'year', b'IPRT': 'track', b'ITRK': 'track'}


def shown(value):
    text = repr(value)
    return text if len(text) <= 160 else md5(text.encode())


def id3_item_field(frame):
    fid = frame.FrameID
    if fid in ID3_DATES:
        return 'year'
    if fid in ('COMM', 'COM'):
        return 'comment' if frame.desc == '' else None
    if fid in ('APIC', 'PIC'):
        return 'cover' if frame.type in (0, 3) else None
    return ID3_ITEM_FIELDS.get(fid)


def picture_field(kind):
    return 'cover' if kind in (0, 3) else None


def riff_texts(data):
    """The texts of a WAV file's INFO list, and an AIFF file's text chunks."""
    out = []
    at = 12
    aiff = data[:4] == b'FORM'
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack('>I' if aiff else '<I', data[at + 4:at + 8])[0]
        if aiff and cid in AIFF_ITEM_FIELDS:
            out.append((cid, data[at + 8:at + 8 + size]))
        if cid == b'LIST' and data[at + 8:at + 12] == b'INFO':
            sub = at + 12
            while sub + 8 <= at + 8 + size:
                sid, ssize = data[sub:sub + 4], struct.unpack('<I', data[sub + 4:sub + 8])[0]
                out.append((sid, data[sub + 8:sub + 8 + ssize].rstrip(b'\0')))
                sub += 8 + ssize + (ssize & 1)
        at += 8 + size + (size & 1)
    return out


def mp4_atoms(path):
    """The items of an MP4 tag as stored: each atom of its ilst, byte for byte."""
    from mutagen.mp4 import Atoms
    with open(path, 'rb') as f:
        try:
            ilst = Atoms(f).path(b'moov', b'udta', b'meta', b'ilst')[-1]
        except KeyError:
            return []
        out = []
        for child in ilst.children or []:
            f.seek(child.offset)
            out.append((child.name, f.read(child.length)))
        return out


def items(path, skip):
    out = []  # (tag, key, field, value), in the order each tag holds them

    def add(tag, key, field, value):
        out.append((tag, key, field, shown(value)))
    data = open(path, 'rb').read()
    try:
        audio = mutagen.File(path)
    except mutagen.MutagenError:
        audio = None
    try:
        if data[:4] == b'RIFF':
            id3 = WAVE(path, translate=False, load_v1=False).tags
        elif data[:4] == b'FORM':
            id3 = AIFF(path, translate=False, load_v1=False).tags
        else:  # the tag at the start; ID3v1 is read below
            id3 = ID3(path, translate=False, load_v1=False)
    except (ID3NoHeaderError, mutagen.MutagenError, AttributeError):
        id3 = None
    if id3 is not None:
        for frame in id3.values():
            add('id3', frame.HashKey, id3_item_field(frame), frame)
        for frame in id3.unknown_frames:
            add('id3', 'unknown', None, frame)
    for frame in id3v1(path):
        add('id3v1', frame.FrameID, ID3V1_FIELDS[frame.FrameID], frame)
    try:
        for key, value in APEv2(path).items():
            add('ape', key.lower(), APE_ITEM_FIELDS.get(key.lower()), (value.kind, bytes(value)))
    except APENoHeaderError:
        pass
    if isinstance(audio, MP4):
        covers = 0
        for name, atom in mp4_atoms(path):
            field = MP4_ITEM_FIELDS.get(name.decode('latin-1'))
            if name == b'covr':  # the first picture is the cover, the others stay
                for value in audio.tags.get('covr', []):
                    add('mp4', 'covr', 'cover' if covers == 0 else None, (value.imageformat, bytes(value)))
                    covers += 1
            else:
                add('mp4', name.decode('latin-1'), field, atom)
    elif isinstance(audio, ASF):
        for name, value in audio.tags:
            field = ASF_ITEM_FIELDS.get(name.lower())
            if name == 'WM/Picture':
                field = picture_field(value.value[0])
            add('asf', name, field, (value.TYPE, value.language, value.stream, value.value))
    elif audio is not None and hasattr(audio.tags, 'vendor'):  # Vorbis comments
        add('xiph', 'vendor', None, audio.tags.vendor)
        for key, value in list.__iter__(audio.tags):
            field = XIPH_ITEM_FIELDS.get(key.lower())
            if key.lower() == 'metadata_block_picture':
                field = picture_field(Picture(base64.b64decode(value)).type)
            add('xiph', key.lower(), field, value)
        for picture in getattr(audio, 'pictures', []):
            add('flac', 'picture', picture_field(picture.type), picture.write())
        for block in getattr(audio, 'metadata_blocks', []):
            if block.code not in (1, 4, 6):  # padding, comments, pictures
                add('flac', 'block%d' % block.code, None, block.write())
    for cid, value in riff_texts(data):
        kind = 'aiff' if data[:4] == b'FORM' else 'info'
        add(kind, cid.decode('latin-1'), (AIFF_ITEM_FIELDS if kind == 'aiff' else INFO_ITEM_FIELDS).get(cid), value)
    seen = {}
    lines = []
    for tag, key, field, value in out:
        if field in skip:
            continue
        index = seen.get((tag, key), 0)
        seen[(tag, key)] = index + 1
        lines.append('%s %s#%d=%s' % (tag, key, index, value))
    for line in sorted(lines):
        print(line)


def index(path):
    data = open(path, 'rb').read()
    for name, at, size, _ in mp4_atoms_in(data, 0, len(data)):
        if name != b'tfra':
            continue
        version = data[at + 8]
        lengths, count = struct.unpack('>II', data[at + 16:at + 24])
        width = 8 if version == 1 else 4
        each = 2 * width + ((lengths >> 4) & 3) + ((lengths >> 2) & 3) + (lengths & 3) + 3
        for entry in range(at + 24, at + 24 + count * each, each):
            moof = int.from_bytes(data[entry + width:entry + 2 * width], 'big')
            print(data[moof + 4:moof + 8].decode('latin-1'))


if __name__ == '__main__':
    if sys.argv[1] == 'make':
        make(sys.argv[2], sys.argv[3])
    elif sys.argv[1] == 'index':
        index(sys.argv[2])
    elif sys.argv[1] == 'items':
        items(sys.argv[2], set(sys.argv[3].split(',')) if len(sys.argv) > 3 else set())
    else:
        dump(sys.argv[2])
