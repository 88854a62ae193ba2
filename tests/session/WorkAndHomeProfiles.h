// The profiles of the session tests: two profiles; the default one ("Work") has a server
// mailbox, public folders and a personal archive, named so that their display-name order
// differs from their listing order. Four store providers in all, so "Profiles.ini" gets
// four sections of five keys.
#pragma once

inline constexpr const char* kWorkAndHomeProfiles = R"({
  "profiles": [
    {"name": "Work", "default": true, "services": [
      {"service": "MSEMS", "displayName": "Exchange", "stores": [
        {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "flavour": "long"},
        {"displayName": "Public Folders", "file": "public.kms", "public": true, "flavour": "long"}]},
      {"service": "MSPST MS", "displayName": "Personal Folders", "stores": [
        {"displayName": "Archive", "file": "archive.kms", "flavour": "short"}]}]},
    {"name": "Home", "services": [
      {"service": "MSPST MS", "displayName": "Personal Folders", "stores": [
        {"displayName": "Home Archive", "file": "home.kms", "flavour": "short"}]}]}
  ]})";
