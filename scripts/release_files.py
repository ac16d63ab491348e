#!/usr/bin/env python3
"""The release's generated files, all reproducible from the checkout and the toolchain.

  notices --map MAP... --out FILE
      THIRD-PARTY-NOTICES.txt: the copyright files of the Debian packages whose
      archives and start-up objects the link maps show linked in, with the licence
      texts they refer to.
  sbom --map NAME=MAP... --medium DIR --zip FILE --name N --version V --commit C
       --epoch S --out FILE
      An SPDX 2.3 JSON bill of materials: the medium's files, the toolchain packages
      with their versions, and every archive member and object the link maps name.
  zip --dir DIR --epoch S --out FILE
      DIR as a zip whose entries are in a fixed order with fixed times and modes.
  digest FILE
      The SHA-256 Authenticode digest of a PE file, signed or not (upper-case hex,
      as osslsigncode prints "Current message digest").
"""
import argparse
import hashlib
import json
import os
import re
import struct
import subprocess
import sys
import time
import uuid
import zipfile

# ---- link maps ----------------------------------------------------------------

MEMBER_LINE = re.compile(r'^(\S+\.a)\(([^()]+)\)(\s|$)')
LOAD_LINE = re.compile(r'^LOAD (\S+\.o)$')


def linked_parts(map_path):
    """(path, member) pairs of the toolchain's files in a GNU ld link map: archive
    members that were pulled in, and start-up objects (member None). Files of the
    build itself (relative paths, the map's folder) are left out."""
    build_dir = os.path.dirname(os.path.abspath(map_path))
    parts = []
    section = None
    with open(map_path, encoding='utf-8', errors='replace') as f:
        for line in f:
            line = line.rstrip('\n')
            if line.startswith('Archive member included'):
                section = 'members'
                continue
            if line and not line[0].isspace() and not MEMBER_LINE.match(line):
                section = 'other' if section == 'members' else section
            if section == 'members':
                m = MEMBER_LINE.match(line)
                if m:
                    parts.append((m.group(1), m.group(2)))
            m = LOAD_LINE.match(line)
            if m:
                parts.append((m.group(1), None))
    result = []
    seen = set()
    for path, member in parts:
        if not os.path.isabs(path):
            continue
        path = os.path.realpath(path)
        if path.startswith(build_dir + os.sep):
            continue
        if (path, member) not in seen:
            seen.add((path, member))
            result.append((path, member))
    if not result:
        sys.exit(f'{map_path}: no toolchain archive member or object in the link map')
    return result


def part_name(path, member):
    return f'{path}({member})' if member else path


def owning_packages(paths):
    """{path: Debian package} for every path; exits when one belongs to none."""
    out = subprocess.run(['dpkg', '-S'] + sorted(paths), capture_output=True, text=True)
    owners = {}
    for line in out.stdout.splitlines():
        m = re.match(r'^([^:\s,]+)(?::\w+)?: (/.*)$', line)
        if m and m.group(2) in paths:
            owners[m.group(2)] = m.group(1)
    missing = sorted(set(paths) - set(owners))
    if missing:
        sys.exit('no Debian package owns: ' + ', '.join(missing))
    return owners


def package_info(names):
    """{package: (version, architecture)} from dpkg-query."""
    out = subprocess.run(['dpkg-query', '-W', '-f=${Package}\t${Version}\t${Architecture}\n'] + sorted(names),
                         capture_output=True, text=True, check=True)
    info = {}
    for line in out.stdout.splitlines():
        pkg, version, arch = line.split('\t')
        info[pkg] = (version, arch)
    return info


# ---- ar archives ----------------------------------------------------------------

def archive_members(path):
    """{member name: [bytes of each member of that name, in archive order]}."""
    data = open(path, 'rb').read()
    if not data.startswith(b'!<arch>\n'):
        sys.exit(f'{path}: not an ar archive')
    pos, names, members = 8, b'', {}
    while pos + 60 <= len(data):
        header = data[pos:pos + 60]
        name = header[:16].decode('ascii').rstrip()
        size = int(header[48:58].decode('ascii'))
        body = data[pos + 60:pos + 60 + size]
        pos += 60 + size + (size & 1)
        if name == '//':
            names = body
            continue
        if name in ('/', '/SYM64/'):
            continue
        if name.startswith('/') and name[1:].isdigit():
            start = int(name[1:])
            name = names[start:names.index(b'\n', start)].decode('utf-8').rstrip('/')
        else:
            name = name.rstrip('/')
        members.setdefault(name, []).append(body)
    return members


# ---- notices ------------------------------------------------------------------------

COMMON_LICENSE = re.compile(r'/usr/share/common-licenses/([A-Za-z0-9.+_-]+[A-Za-z0-9+_-])')


def notices(maps):
    parts = set()
    for m in maps:
        parts.update(linked_parts(m))
    owners = owning_packages({path for path, _ in parts})
    info = package_info(set(owners.values()))
    by_package = {}
    for path, member in parts:
        by_package.setdefault(owners[path], {}).setdefault(path, set()).add(member)

    # Packages with the same copyright file (the GCC packages share one) are one notice.
    by_text = {}
    for pkg in sorted(by_package):
        copyright_file = f'/usr/share/doc/{pkg}/copyright'
        if not os.path.isfile(copyright_file):
            sys.exit(f'{pkg}: no {copyright_file}')
        text = open(copyright_file, encoding='utf-8', errors='replace').read()
        by_text.setdefault(text, []).append(pkg)

    out = ['THIRD-PARTY NOTICES', '',
           'Setup.exe and setupcheck.exe contain parts of the following runtime libraries of',
           'their compilers, linked in statically. Their licences and notices follow, as the',
           'toolchain packages they were built with carry them (taken from each package\'s',
           'copyright file). The GCC runtime libraries (libstdc++, libgcc, libgcc_eh) are',
           'covered by the GCC Runtime Library Exception, included in that text.', '']
    for pkgs in by_text.values():
        for pkg in pkgs:
            out.append(f'  {pkg} {info[pkg][0]}:')
            for path in sorted(by_package[pkg]):
                members = by_package[pkg][path]
                what = 'start-up object' if members == {None} else f'{len(members - {None})} members'
                out.append(f'    {os.path.basename(path)} ({what})')
    licences = []
    for text, pkgs in by_text.items():
        out += ['', '=' * 78, 'Packages: ' + ', '.join(f'{p} {info[p][0]}' for p in pkgs), '=' * 78, '']
        out += text.rstrip('\n').split('\n')
        for name in COMMON_LICENSE.findall(text):
            real = os.path.realpath(f'/usr/share/common-licenses/{name}')
            if os.path.isfile(real) and real not in licences:
                licences.append(real)
    for real in licences:
        names = sorted(n for n in os.listdir('/usr/share/common-licenses')
                       if os.path.realpath(f'/usr/share/common-licenses/{n}') == real)
        out += ['', '=' * 78, 'Licence text referred to above as ' +
                ', '.join(f'/usr/share/common-licenses/{n}' for n in names), '=' * 78, '']
        out += open(real, encoding='utf-8', errors='replace').read().rstrip('\n').split('\n')
    # Windows Notepad (XP included) reads UTF-8 with a byte-order mark and CR LF.
    return '\ufeff' + '\r\n'.join(line.rstrip() for line in out) + '\r\n'


# ---- SPDX bill of materials ---------------------------------------------------------------

def checksums(data):
    return [{'algorithm': 'SHA1', 'checksumValue': hashlib.sha1(data).hexdigest()},
            {'algorithm': 'SHA256', 'checksumValue': hashlib.sha256(data).hexdigest()}]


SPDX_IDS = set()


def spdx_id(kind, text):
    """A new identifier: letters, digits, '.' and '-' only, unique in the document."""
    base = f'SPDXRef-{kind}-' + re.sub(r'[^A-Za-z0-9.-]', '-', text)
    ident, n = base, 1
    while ident in SPDX_IDS:
        n += 1
        ident = f'{base}-{n}'
    SPDX_IDS.add(ident)
    return ident


def tool_paths():
    """The programs the build runs, each by the path its package installs."""
    paths = []
    for tool in ['i686-w64-mingw32-g++', 'i686-w64-mingw32-gcc', 'i686-w64-mingw32-ld',
                 'i686-w64-mingw32-windres', 'i686-w64-mingw32-strip', 'cmake', 'ninja']:
        found = subprocess.run(['sh', '-c', f'command -v {tool}'], capture_output=True, text=True).stdout.strip()
        if found:
            paths.append(os.path.realpath(found))
    for prog in ['cc1plus', 'cc1']:
        found = subprocess.run(['i686-w64-mingw32-gcc', f'-print-prog-name={prog}'],
                               capture_output=True, text=True).stdout.strip()
        if os.path.isabs(found):
            paths.append(os.path.realpath(found))
    return paths


def sbom(args):
    name, version = args.name, args.version
    created = time.strftime('%Y-%m-%dT%H:%M:%SZ', time.gmtime(args.epoch))

    # The medium's files.
    files, medium_ids, by_name = [], [], {}
    for root, dirs, names in os.walk(args.medium):
        dirs.sort()
        for n in sorted(names):
            full = os.path.join(root, n)
            rel = os.path.relpath(full, args.medium).replace(os.sep, '/')
            fid = spdx_id('File-medium', rel)
            data = open(full, 'rb').read()
            files.append({'fileName': './' + rel, 'SPDXID': fid, 'checksums': checksums(data),
                          'licenseConcluded': 'NOASSERTION', 'copyrightText': 'NOASSERTION'})
            medium_ids.append(fid)
            by_name[rel] = (fid, hashlib.sha1(data).hexdigest())
    verification = hashlib.sha1(''.join(sorted(s for _, s in by_name.values())).encode()).hexdigest()
    zip_data = open(args.zip, 'rb').read()

    # What each program links in, by link map.
    linked = {}
    for spec in args.map:
        program, _, map_path = spec.partition('=')
        if program not in by_name:
            sys.exit(f'{program}: not a file of the medium')
        for part in linked_parts(map_path):
            linked.setdefault(part, []).append(program)
    tools = tool_paths()
    owners = owning_packages({p for p, _ in linked} | set(tools))
    info = package_info(set(owners.values()))
    package_ids = {pkg: spdx_id('Package-deb', pkg) for pkg in sorted(info)}

    relationships = [{'spdxElementId': 'SPDXRef-DOCUMENT', 'relationshipType': 'DESCRIBES',
                      'relatedSpdxElement': 'SPDXRef-Package-' + name}]
    archives = {}
    for (path, member), programs in sorted(linked.items(), key=lambda x: (x[0][0], x[0][1] or '')):
        if member is None:
            data = open(path, 'rb').read()
        else:
            if path not in archives:
                archives[path] = archive_members(path)
            copies = archives[path].get(member)
            if not copies:
                sys.exit(f'{path}: no member {member}')
            data = copies[0]
        fid = spdx_id('File-linked', part_name(path, member))
        entry = {'fileName': part_name(path, member), 'SPDXID': fid, 'checksums': checksums(data),
                 'fileTypes': ['BINARY'], 'licenseConcluded': 'NOASSERTION', 'copyrightText': 'NOASSERTION',
                 'comment': 'Linked into ' + ', '.join(sorted(programs)) + ' (link map)'}
        if member is not None and len(copies) > 1:
            entry['comment'] += f'; the archive holds {len(copies)} members of this name, checksums of the first'
        files.append(entry)
        # The Debian packages are not analysed file by file (SPDX 2.3 forbids CONTAINS from a
        # package with filesAnalyzed false): the member names the package it comes from.
        relationships.append({'spdxElementId': fid, 'relationshipType': 'OTHER',
                              'relatedSpdxElement': package_ids[owners[path]],
                              'comment': 'taken from a file that this Debian package installs'})
        for program in sorted(programs):
            relationships.append({'spdxElementId': by_name[program][0], 'relationshipType': 'STATIC_LINK',
                                  'relatedSpdxElement': fid})

    packages = [{
        'name': name, 'SPDXID': 'SPDXRef-Package-' + name, 'versionInfo': version,
        'packageFileName': f'{name}-{version}.zip',
        'supplier': 'Organization: Tarvik printer add-on team',
        'downloadLocation': 'NOASSERTION', 'filesAnalyzed': True,
        'packageVerificationCode': {'packageVerificationCodeValue': verification},
        'checksums': checksums(zip_data), 'hasFiles': medium_ids,
        'sourceInfo': f'built from commit {args.commit}',
        'primaryPackagePurpose': 'APPLICATION',
        'licenseConcluded': 'NOASSERTION', 'licenseDeclared': 'NOASSERTION', 'copyrightText': 'NOASSERTION',
    }]
    runtime = {owners[p] for p, _ in linked}
    build_tools = {owners[t] for t in tools}
    for pkg in sorted(info):
        ver, arch = info[pkg]
        purl = f'pkg:deb/debian/{pkg}@{ver.replace("+", "%2B").replace(":", "%3A")}?arch={arch}'
        role = ' and '.join(r for r, member in [('build tool', build_tools), ('statically linked runtime', runtime)]
                            if pkg in member)
        packages.append({
            'name': pkg, 'SPDXID': package_ids[pkg], 'versionInfo': ver,
            'downloadLocation': 'NOASSERTION', 'filesAnalyzed': False, 'supplier': 'NOASSERTION',
            'externalRefs': [{'referenceCategory': 'PACKAGE-MANAGER', 'referenceType': 'purl',
                              'referenceLocator': purl}],
            'comment': f'Debian package, {role}',
            'licenseConcluded': 'NOASSERTION', 'licenseDeclared': 'NOASSERTION', 'copyrightText': 'NOASSERTION',
        })
        if pkg in build_tools:
            relationships.append({'spdxElementId': package_ids[pkg], 'relationshipType': 'BUILD_TOOL_OF',
                                  'relatedSpdxElement': 'SPDXRef-Package-' + name})

    ns = uuid.uuid5(uuid.NAMESPACE_URL, f'{name}-{version}-{args.commit}-{hashlib.sha256(zip_data).hexdigest()}')
    doc = {
        'spdxVersion': 'SPDX-2.3', 'dataLicense': 'CC0-1.0', 'SPDXID': 'SPDXRef-DOCUMENT',
        'name': f'{name}-{version}',
        'documentNamespace': f'https://spdx.org/spdxdocs/{name}-{version}-{ns}',
        'creationInfo': {'created': created,
                         'creators': ['Organization: Tarvik printer add-on team', 'Tool: scripts-release.sh']},
        'documentDescribes': ['SPDXRef-Package-' + name],
        'packages': packages, 'files': files, 'relationships': relationships,
    }
    return json.dumps(doc, indent=2, sort_keys=False) + '\n'


# ---- zip ------------------------------------------------------------------------------------

def make_zip(directory, epoch, out):
    """Entries under the folder's own name, sorted, with the given time and fixed modes."""
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
    top = os.path.basename(os.path.normpath(directory))
    entries = [top + '/']
    for root, dirs, names in os.walk(directory):
        rel = os.path.relpath(root, directory)
        base = top + '/' + ('' if rel == '.' else rel.replace(os.sep, '/') + '/')
        entries += [base + d + '/' for d in dirs]
        entries += [base + n for n in names]
    with zipfile.ZipFile(out, 'w') as z:
        for entry in sorted(entries):
            info = zipfile.ZipInfo(entry, date_time=stamp)
            info.create_system = 3
            if entry.endswith('/'):
                info.external_attr = (0o40755 << 16) | 0x10
                z.writestr(info, b'')
            else:
                info.external_attr = 0o100644 << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                path = os.path.join(os.path.dirname(os.path.normpath(directory)), entry)
                z.writestr(info, open(path, 'rb').read(), compresslevel=9)


# ---- Authenticode digest --------------------------------------------------------------------

def authenticode_digest(path):
    """SHA-256 over the file without its checksum field, its certificate-table entry and
    the certificate table itself, padded to 8 bytes as the signing tool pads it."""
    data = open(path, 'rb').read()
    pe = struct.unpack_from('<I', data, 0x3c)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        sys.exit(f'{path}: not a PE file')
    opt = pe + 24
    magic = struct.unpack_from('<H', data, opt)[0]
    checksum = opt + 64
    security = opt + (96 if magic == 0x10b else 112) + 4 * 8
    cert_offset, cert_size = struct.unpack_from('<II', data, security)
    end = cert_offset if cert_offset and cert_size else len(data)
    h = hashlib.sha256()
    h.update(data[:checksum])
    h.update(data[checksum + 4:security])
    h.update(data[security + 8:end])
    if end % 8:
        h.update(b'\0' * (8 - end % 8))
    return h.hexdigest().upper()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest='command', required=True)
    p = sub.add_parser('notices')
    p.add_argument('--map', action='append', required=True)
    p.add_argument('--out', required=True)
    p = sub.add_parser('sbom')
    for opt in ['--medium', '--zip', '--name', '--version', '--commit', '--out']:
        p.add_argument(opt, required=True)
    p.add_argument('--epoch', type=int, required=True)
    p.add_argument('--map', action='append', required=True, help='PROGRAM=MAP, PROGRAM as named on the medium')
    p = sub.add_parser('zip')
    p.add_argument('--dir', required=True)
    p.add_argument('--epoch', type=int, required=True)
    p.add_argument('--out', required=True)
    p = sub.add_parser('digest')
    p.add_argument('file')
    args = parser.parse_args()

    if args.command == 'notices':
        text = notices(args.map)
        with open(args.out, 'w', encoding='utf-8', newline='') as f:
            f.write(text)
    elif args.command == 'sbom':
        text = sbom(args)
        with open(args.out, 'w', encoding='utf-8') as f:
            f.write(text)
    elif args.command == 'zip':
        make_zip(args.dir, args.epoch, args.out)
    else:
        print(authenticode_digest(args.file))


if __name__ == '__main__':
    main()
