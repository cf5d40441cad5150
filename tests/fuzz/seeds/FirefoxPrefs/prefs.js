// Mozilla User Preferences

user_pref("browser.startup.page", 3);
user_pref("network.proxy.http", "proxy.example");
user_pref("network.proxy.http_port", 8080);
user_pref("network.proxy.type", 1);
