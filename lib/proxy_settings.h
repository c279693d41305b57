// The client's proxy settings (element "proxy_info"): parsed and carried.
#pragma once

#include <cstdint>

#include "lib/xml_reader.h"

struct PROXY_SETTINGS {
  bool have_proxy_server = false;  // set at the end of the parse
  bool use_http_proxy = false;
  bool use_http_auth = false;
  char http_server_name[256] = "";
  std::int32_t http_server_port = 80;
  char http_user_name[256] = "";
  char http_user_passwd[256] = "";
  bool use_socks_proxy = false;
  char socks_server_name[256] = "";
  std::int32_t socks_server_port = 80;
  char socks5_user_name[256] = "";
  char socks5_user_passwd[256] = "";
  bool socks5_remote_dns = false;
  char no_proxy[256] = "";
  bool no_autodetect = false;
};

// Reads the fields after "proxy_info" up to "/proxy_info". Returns 0, or
// RC_XML_UNEXPECTED when the input ends first.
int parse_proxy_info(PROXY_SETTINGS& proxy, XML_READER& reader);
