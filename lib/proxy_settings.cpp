#include "lib/proxy_settings.h"

#include <cstring>

#include "lib/result_codes.h"

int parse_proxy_info(PROXY_SETTINGS& p, XML_READER& r) {
  p = PROXY_SETTINGS();
  while (!r.next_tag()) {
    if (r.tag_is("/proxy_info")) {
      p.have_proxy_server = p.http_server_name[0] != '\0' || p.socks_server_name[0] != '\0';
      return RC_SUCCESS;
    }
    // An unclaimed item is passed by on its own.
    r.take_flag("use_http_proxy", p.use_http_proxy) || r.take_flag("use_socks_proxy", p.use_socks_proxy) ||
        r.take_flag("use_http_auth", p.use_http_auth) || r.take_text("socks_server_name", p.socks_server_name) ||
        r.take_int("socks_server_port", p.socks_server_port) || r.take_text("http_server_name", p.http_server_name) ||
        r.take_int("http_server_port", p.http_server_port) || r.take_text("socks5_user_name", p.socks5_user_name) ||
        r.take_text("socks5_user_passwd", p.socks5_user_passwd) ||
        r.take_flag("socks5_remote_dns", p.socks5_remote_dns) || r.take_text("http_user_name", p.http_user_name) ||
        r.take_text("http_user_passwd", p.http_user_passwd) || r.take_text("no_proxy", p.no_proxy) ||
        r.take_flag("no_autodetect", p.no_autodetect);
  }
  return RC_XML_UNEXPECTED;
}
