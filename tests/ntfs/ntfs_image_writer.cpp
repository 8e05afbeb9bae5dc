// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Test-only: places files, directories and reparse points in an NTFS image
// (made beforehand with mkntfs) through libntfs-3g's write calls, so that
// the tests build the volumes they scan when they run.
//
// Usage: ntfs_image_writer IMAGE < SCRIPT
// One command a line, fields separated by tabs; paths use '/' from the
// root:
//   dir     PATH                     a directory
//   file    PATH [SIZE]              a file, SIZE bytes long (sparse)
//   stub    PATH TAG TEXT            a reparse point with a GUID header
//                                    (tag in hexadecimal), then TEXT
//   raw     PATH HEX                 a reparse point holding exactly HEX
//   attr    PATH offline|sparse,...  file attributes set
//   many    DIR FILES STUBS PER-DIR  FILES files in directories of PER-DIR
//                                    under DIR, one in FILES/STUBS a stub
// A path named by stub, raw or attr is made a file when it is missing.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

extern "C" {
#include <ntfs-3g/types.h>

#include <ntfs-3g/attrib.h>
#include <ntfs-3g/dir.h>
#include <ntfs-3g/inode.h>
#include <ntfs-3g/reparse.h>
#include <ntfs-3g/unistr.h>
#include <ntfs-3g/volume.h>
}

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::cerr << "ntfs_image_writer: " << what << '\n';
    std::exit(1);
}

std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t'))
        fields.push_back(field);
    return fields;
}

// Creates name (a path from the root) as a file or directory; returns it open.
ntfs_inode* create(ntfs_volume* volume, const std::string& path, mode_t type) {
    const std::size_t slash = path.rfind('/');
    const std::string parentPath = slash == 0 ? "/" : path.substr(0, slash);
    ntfs_inode* parent = ntfs_pathname_to_inode(volume, nullptr, parentPath.c_str());
    if (parent == nullptr)
        fail("no directory " + parentPath);
    ntfschar* name = nullptr;
    const int length = ntfs_mbstoucs(path.c_str() + slash + 1, &name);
    if (length <= 0)
        fail("bad name in " + path);
    ntfs_inode* inode = ntfs_create(parent, 0, name, static_cast<u8>(length), type);
    std::free(name);
    if (inode == nullptr)
        fail("cannot create " + path);
    (void)ntfs_inode_close(parent);
    return inode;
}

ntfs_inode* open_or_create(ntfs_volume* volume, const std::string& path) {
    ntfs_inode* inode = ntfs_pathname_to_inode(volume, nullptr, path.c_str());
    return inode != nullptr ? inode : create(volume, path, S_IFREG);
}

void set_size(ntfs_inode* inode, long long size) {
    ntfs_attr* data = ntfs_attr_open(inode, AT_DATA, AT_UNNAMED, 0);
    if (data == nullptr || ntfs_attr_truncate(data, size) != 0)
        fail("cannot size a file");
    ntfs_attr_close(data);
}

void set_reparse(ntfs_inode* inode, const std::string& buffer) {
    if (ntfs_set_ntfs_reparse_data(inode, buffer.data(), buffer.size(), 0) != 0)
        fail("cannot set reparse data");
}

// Tag, a data length counting the bytes after the GUID, a zero word, a
// fixed GUID, then text.
std::string guid_buffer(unsigned long tag, const std::string& text) {
    std::string buffer;
    for (int i = 0; i < 4; ++i)
        buffer += static_cast<char>((tag >> (8 * i)) & 0xFF);
    buffer += static_cast<char>(text.size() & 0xFF);
    buffer += static_cast<char>((text.size() >> 8) & 0xFF);
    buffer += std::string(2, '\0');
    for (int i = 0; i < 16; ++i)
        buffer += static_cast<char>(0x10 + i);
    return buffer + text;
}

std::string from_hex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

void set_attributes(ntfs_inode* inode, const std::string& names) {
    if (names.find("offline") != std::string::npos)
        inode->flags = static_cast<FILE_ATTR_FLAGS>(inode->flags | FILE_ATTR_OFFLINE);
    if (names.find("sparse") != std::string::npos)
        inode->flags = static_cast<FILE_ATTR_FLAGS>(inode->flags | FILE_ATTR_SPARSE_FILE);
    NInoFileNameSetDirty(inode);
    ntfs_inode_mark_dirty(inode);
}

void make_many(ntfs_volume* volume, const std::string& root, long files, long stubs, long perDir) {
    const long every = stubs > 0 ? files / stubs : 0;
    for (long i = 0; i < files; ++i) {
        const std::string dir = root + "/d" + std::to_string(i / perDir);
        if (i % perDir == 0)
            (void)ntfs_inode_close(create(volume, dir, S_IFDIR));
        ntfs_inode* inode = create(volume, dir + "/f" + std::to_string(i), S_IFREG);
        if (every > 0 && i % every == 0)
            set_reparse(inode,
                        guid_buffer(0x1234, "1:2:3:4:5:ex:short:7:-8:1:aux:12?/archive/f" +
                                                std::to_string(i) + "|" + std::to_string(i)));
        (void)ntfs_inode_close(inode);
    }
}

void run(ntfs_volume* volume, const std::vector<std::string>& f) {
    const std::string& verb = f[0];
    if (verb == "dir" && f.size() == 2) {
        (void)ntfs_inode_close(create(volume, f[1], S_IFDIR));
    } else if (verb == "file" && f.size() >= 2) {
        ntfs_inode* inode = create(volume, f[1], S_IFREG);
        if (f.size() > 2)
            set_size(inode, std::stoll(f[2]));
        (void)ntfs_inode_close(inode);
    } else if ((verb == "stub" && f.size() == 4) || (verb == "raw" && f.size() == 3) ||
               (verb == "attr" && f.size() == 3)) {
        ntfs_inode* inode = open_or_create(volume, f[1]);
        if (verb == "stub")
            set_reparse(inode, guid_buffer(std::stoul(f[2], nullptr, 16), f[3]));
        else if (verb == "raw")
            set_reparse(inode, from_hex(f[2]));
        else
            set_attributes(inode, f[2]);
        (void)ntfs_inode_close(inode);
    } else if (verb == "many" && f.size() == 5) {
        make_many(volume, f[1], std::stol(f[2]), std::stol(f[3]), std::stol(f[4]));
    } else {
        fail("cannot understand: " + verb);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        fail("usage: ntfs_image_writer IMAGE < SCRIPT");
    ntfs_volume* volume = ntfs_mount(argv[1], NTFS_MNT_NONE);
    if (volume == nullptr)
        fail(std::string("cannot mount ") + argv[1]);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line[0] != '#')
            run(volume, fields_of(line));
    }
    if (ntfs_umount(volume, FALSE) != 0)
        fail("cannot unmount");
    return 0;
}
