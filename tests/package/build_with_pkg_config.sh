# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
cc stub_info.c $(pkg-config --cflags --libs stubmeta) -o stub_info
c++ -std=c++17 stub_info.cpp $(pkg-config --cflags --libs stubmeta) -o stub_info_cpp
