// The demo courseware as a real Flash movie (AS3, built with haxe): one button per service of the
// shell, each making the external call or command a lesson makes, and a text area that shows
// what the shell answered. It offers the same services and texts as the stand-in script
// demo/main.swf, so both players show a newcomer the same lesson.
//
// Texts use a device font, as courseware of this kind does for its dynamic text, and a named one
// (微软雅黑, on every Chinese Windows since 7): under Ruffle "_sans" is Ruffle's built-in font,
// which has no Chinese glyphs, while a named font is drawn by the browser, which falls back to the
// system's Chinese fonts where the named one is missing.
import flash.Lib;
import flash.display.Sprite;
import flash.events.MouseEvent;
import flash.external.ExternalInterface;
import flash.text.TextField;
import flash.text.TextFieldType;
import flash.text.TextFormat;
import haxe.Timer;

typedef Service = {id:String, label:String, service:String, act:Void->Void};

class Demo {
    static inline var FONT = "Microsoft YaHei";
    static inline var COLUMNS = 4;
    static inline var BUTTON_W = 235;
    static inline var BUTTON_H = 54;
    static inline var GAP = 12;
    static inline var LEFT = 24;
    static inline var TOP = 64;
    // The text area keeps this many lines; older ones scroll away.
    static inline var KEPT_LINES = 200;

    var root:Sprite;
    var area:TextField;
    var transcript:Array<String> = [];
    var placed:Array<Dynamic> = [];
    // The voice exercise waits for the shell's DelphiCallBack notices one after the other.
    var awaiting:String = null;
    var awaitTimer:Timer = null;

    static function main() {
        new Demo(Lib.current);
    }

    function new(root:Sprite) {
        this.root = root;
        var title = text(20, 0x1F3A5F, true);
        title.text = "CourseShell 演示课件 — 点按钮试用每一项服务 (try each service)";
        title.x = LEFT;
        title.y = 18;
        title.width = 980;
        title.height = 34;
        root.addChild(title);

        var services:Array<Service> = [
            {id: "load", label: "读取课文", service: "loadfile", act: load},
            {id: "save", label: "保存笔记", service: "saveBytes", act: save},
            {id: "unique", label: "安装标识", service: "getunique", act: function() call("getunique", [])},
            {id: "savereg", label: "保存设置", service: "savereg", act: saveSetting},
            {id: "loadreg", label: "读取设置", service: "loadreg", act: function() call("loadreg", ["progress"])},
            {id: "min", label: "最小化", service: "minimized", act: minimise},
            {id: "max", label: "最大化", service: "maximized", act: function() command("maximized", "")},
            {id: "restore", label: "还原", service: "normal", act: function() command("normal", "")},
            {id: "drag", label: "按住这里拖动窗口", service: "DragingWindow", act: null},
            {id: "appdir", label: "程序目录", service: "getAppDir", act: function() call("getAppDir", [])},
            {id: "clip", label: "播放声音", service: "audio", act: function() command("audio", "sounds/tone.wav")},
            {id: "record", label: "录音并回放", service: "beginrecord", act: record},
            {id: "pick", label: "选择资源…", service: "selectresource",
                act: function() command("selectresource", "lesson1/@@@onPicked")},
            {id: "manage", label: "资源管理…", service: "otherresource",
                act: function() command("otherresource", "lesson1/")},
            {id: "open", label: "打开文档", service: "exec", act: function() command("exec", "docs/使用说明.txt")},
            {id: "exit", label: "退出程序", service: "exitprogram", act: function() command("exitprogram", "")},
        ];
        for (i in 0...services.length) {
            var x = LEFT + (i % COLUMNS) * (BUTTON_W + GAP);
            var y = TOP + Std.int(i / COLUMNS) * (BUTTON_H + GAP);
            addButton(services[i], x, y);
        }

        var areaTop = TOP + 4 * (BUTTON_H + GAP) + 8;
        area = text(15, 0x202020, false);
        area.x = LEFT;
        area.y = areaTop;
        area.width = 1024 - 2 * LEFT;
        area.height = 652 - areaTop - 20;
        area.multiline = true;
        area.wordWrap = true;
        area.border = true;
        area.borderColor = 0x9AA8B8;
        area.background = true;
        area.backgroundColor = 0xF7F9FC;
        root.addChild(area);
        show("欢迎！点一个按钮，程序的回答会显示在这里。");
        show("Welcome! Click a button; what the program answers appears here (→ sent, ← reply, ⇐ the program calls the movie).");

        if (!ExternalInterface.available) {
            show("没有外部接口：这个播放器不能和程序通信。No ExternalInterface in this player.");
            return;
        }
        // The shell calls these: the voice notices and the picked resource.
        ExternalInterface.addCallback("DelphiCallBack", delphiCallBack);
        ExternalInterface.addCallback("onPicked", function(what:Dynamic, file:Dynamic) {
            show("⇐ onPicked(" + quote(what) + ", " + quote(file) + ")");
            return "ok";
        });
        // What the demo shows and where its buttons are, for the run command's tour, which
        // clicks the buttons as a person would and reports what the shell answered.
        ExternalInterface.addCallback("demoTranscript", function() return transcript.join("\n"));
        ExternalInterface.addCallback("demoButtons", function() return placed);
    }

    function text(size:Int, colour:Int, bold:Bool):TextField {
        var field = new TextField();
        field.defaultTextFormat = new TextFormat(FONT, size, colour, bold);
        field.selectable = false;
        field.type = TextFieldType.DYNAMIC;
        return field;
    }

    function addButton(s:Service, x:Int, y:Int) {
        var grip = s.act == null;
        var button = new Sprite();
        var g = button.graphics;
        g.lineStyle(1, grip ? 0x8A6D1F : 0x2F5D8A);
        g.beginFill(grip ? 0xFFF1C9 : 0xDCE9F7);
        g.drawRoundRect(0, 0, BUTTON_W, BUTTON_H, 10, 10);
        g.endFill();
        var label = text(17, 0x10243A, true);
        label.text = s.label;
        label.width = BUTTON_W - 16;
        label.height = 26;
        label.x = 8;
        label.y = 6;
        label.mouseEnabled = false;
        button.addChild(label);
        var service = text(12, 0x4A5A6A, false);
        service.text = s.service;
        service.width = BUTTON_W - 16;
        service.height = 20;
        service.x = 8;
        service.y = 31;
        service.mouseEnabled = false;
        button.addChild(service);
        button.x = x;
        button.y = y;
        button.buttonMode = true;
        button.useHandCursor = true;
        button.mouseChildren = false;
        if (grip) {
            // The shell moves the window while the button is held: the call returns when the
            // mouse is released.
            button.addEventListener(MouseEvent.MOUSE_DOWN, function(_) call("DragingWindow", []));
        } else {
            button.addEventListener(MouseEvent.CLICK, function(_) s.act());
        }
        root.addChild(button);
        placed.push({id: s.id, label: s.label, x: x, y: y, width: BUTTON_W, height: BUTTON_H});
    }

    function show(line:String) {
        transcript.push(line);
        if (transcript.length > KEPT_LINES) transcript.shift();
        area.text = transcript.join("\n");
        area.scrollV = area.maxScrollV;
    }

    // How a value from the shell reads in the text area: text in quotes, no reply as such.
    static function quote(v:Dynamic):String {
        if (v == null) return "(没有回答 no reply)";
        if (Std.isOfType(v, String)) return "\"" + v + "\"";
        return Std.string(v);
    }

    function call(name:String, args:Array<String>):Dynamic {
        show("→ " + name + (args.length > 0 ? " " + args.join(" | ") : ""));
        var reply:Dynamic = switch (args.length) {
            case 0: ExternalInterface.call(name);
            case 1: ExternalInterface.call(name, args[0]);
            default: ExternalInterface.call(name, args[0], args[1]);
        }
        show("← " + quote(reply));
        return reply;
    }

    function command(word:String, arg:String) {
        show("→ fscommand " + word + (arg != "" ? " " + arg : ""));
        Lib.fscommand(word, arg);
    }

    function load() {
        call("loadfile", ["lesson1/课文.txt"]);
    }

    function save() {
        // saveBytes keeps the code page's bytes, which loadfile reads back as they were.
        call("saveBytes", ["我的笔记/笔记.txt", "今天学会了：你好，世界！Saved by CourseShell."]);
        call("fileexists", ["我的笔记/笔记.txt"]);
        call("loadfile", ["我的笔记/笔记.txt"]);
    }

    function saveSetting() {
        show("设置在安装标识生成之后才会保存。Settings are kept once the installation id exists.");
        call("savereg", ["progress", "lesson 1 done, score 95"]);
    }

    function minimise() {
        command("minimized", "");
        show("窗口已最小化，3 秒后还原。The window comes back in 3 seconds.");
        Timer.delay(function() command("normal", ""), 3000);
    }

    function record() {
        show("请在听到提示后说话（3 秒），然后听录音。Speak after \"canspeak\" for 3 seconds, then listen.");
        command("recording", "sounds/model.wav");
        command("beginrecord", "");
        await("canspeak", 5000);
    }

    function await(notice:String, ms:Int) {
        awaiting = notice;
        if (awaitTimer != null) awaitTimer.stop();
        awaitTimer = Timer.delay(function() {
            if (awaiting != notice) return;
            awaiting = null;
            show("没有收到 " + notice + "。Nothing came.");
        }, ms);
    }

    function delphiCallBack(name:Dynamic, data:Dynamic):Dynamic {
        show("⇐ DelphiCallBack(" + quote(name) + ", " + quote(data) + ")");
        if (name == awaiting) {
            awaiting = null;
            if (name == "canspeak") {
                Timer.delay(function() {
                    command("stopandplayrecord", "");
                    await("playrecordover", 8000);
                }, 3000);
            }
        }
        return null;
    }
}
